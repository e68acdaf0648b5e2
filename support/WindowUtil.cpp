#include "support/WindowUtil.h"

WindowUtil::WindowUtil() = default;

WindowUtil::~WindowUtil() = default;

void WindowUtil::SetZBottom(CWnd* window) {
  if (window) window->SetWindowPos(&CWnd::wndBottom, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
