#include "platform/CStatic.h"

HBITMAP CStatic::SetBitmap(HBITMAP bitmap) {
  return reinterpret_cast<HBITMAP>(
      SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

LRESULT CStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == STM_SETIMAGE && wParam == IMAGE_BITMAP) {
    HBITMAP previous = bitmap_;
    bitmap_ = reinterpret_cast<HBITMAP>(lParam);
    return reinterpret_cast<LRESULT>(previous);
  }
  if (message == STM_GETIMAGE && wParam == IMAGE_BITMAP) {
    return reinterpret_cast<LRESULT>(bitmap_);
  }
  return CWnd::WindowProc(message, wParam, lParam);
}
