#pragma once

#include "platform/Export.h"
#include "platform/Gdi.h"

class CDC;

// A bitmap object that owns one GDI bitmap handle (or none) and frees it
// when it goes away, as MFC's CBitmap does.
class SORREL_EXPORT CBitmap {
 public:
  CBitmap() = default;
  virtual ~CBitmap();
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  // The handle held, null when none; it stays owned by this object.
  HBITMAP GetSafeHandle() const { return bitmap_; }
  operator HBITMAP() const { return bitmap_; }

  // Takes ownership of `bitmap`; FALSE (nothing taken) when one is already
  // held or `bitmap` is null.
  BOOL Attach(HGDIOBJ bitmap);
  // Gives up the handle without freeing it; the caller then owns it.
  HBITMAP Detach();
  // Frees the handle held; FALSE when none is held or GDI refuses (the
  // bitmap is selected into a context), the handle then staying held.
  BOOL DeleteObject();

  // Each creates a bitmap and holds it; FALSE when one is already held or
  // GDI refuses (see the matching calls of platform/Gdi.h).
  BOOL LoadBitmap(UINT resourceId);
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);

  // The bitmap's description; 0 when none is held.
  int GetBitmap(BITMAP* bitmap) const;

 private:
  BOOL Hold(HBITMAP bitmap);

  HBITMAP bitmap_ = nullptr;  // owned
};
