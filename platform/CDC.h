#pragma once

#include "platform/Export.h"
#include "platform/Gdi.h"

// A device-context object over one GDI context handle, as MFC's CDC. A
// context it creates or is given with Attach is freed when it goes away.
class SORREL_EXPORT CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  // The handle held, null when none; it stays owned by this object.
  HDC GetSafeHdc() const { return dc_; }
  operator HDC() const { return dc_; }

  // Takes ownership of `dc`; FALSE when one is already held or `dc` is null.
  BOOL Attach(HDC dc);
  // Gives up the handle without freeing it.
  HDC Detach();
  // A memory context compatible with `dc` (the screen when null); FALSE when
  // one is already held or GDI refuses.
  BOOL CreateCompatibleDC(CDC* dc);
  // Frees the context held; FALSE when none.
  BOOL DeleteDC();

  // The GDI calls on the held context (see platform/Gdi.h).
  HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(dc_, object); }
  COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(dc_, color); }
  COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(dc_, color); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(dc_, x, y); }
  COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(dc_, x, y, color); }
  BOOL BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop) {
    return ::BitBlt(dc_, x, y, width, height, src ? src->dc_ : nullptr, xSrc, ySrc, rop);
  }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(dc_, index); }

 private:
  HDC dc_ = nullptr;  // owned
};
