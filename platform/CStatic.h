#pragma once

#include "platform/CWnd.h"
#include "platform/Export.h"
#include "platform/Gdi.h"

// The static-control image messages and image type, with Windows' values.
constexpr UINT STM_SETIMAGE = 0x0172;
constexpr UINT STM_GETIMAGE = 0x0173;
constexpr WPARAM IMAGE_BITMAP = 0;

// A static control that shows a bitmap. It does not own the bitmap: whoever
// sets one keeps it alive while it is shown.
class SORREL_EXPORT CStatic : public CWnd {
 public:
  CStatic() = default;

  // Sends the set-image message; returns the bitmap shown before (or null).
  HBITMAP SetBitmap(HBITMAP bitmap);
  // The bitmap shown, null when none.
  HBITMAP GetBitmap() const { return bitmap_; }

  // Answers STM_SETIMAGE (the previous bitmap) and STM_GETIMAGE for
  // IMAGE_BITMAP; other messages go to CWnd.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HBITMAP bitmap_ = nullptr;  // shown, not owned
};
