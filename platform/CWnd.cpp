#include "platform/CWnd.h"

#include <algorithm>
#include <list>
#include <mutex>

#include "platform/MessageQueue.h"

namespace {

// The live windows, top of the Z order first.
struct WindowList {
  std::mutex mutex;
  std::list<CWnd*> windows;
};

WindowList& Windows() {
  static WindowList list;
  return list;
}

}  // namespace

const CWnd CWnd::wndTop{StandIn{}};
const CWnd CWnd::wndBottom{StandIn{}};

CWnd::CWnd() : queue_(MessageQueue::ForCurrentThread()) {
  WindowList& list = Windows();
  std::lock_guard lock(list.mutex);
  list.windows.push_front(this);
}

CWnd::CWnd(StandIn) {}

CWnd::~CWnd() {
  if (!queue_) return;
  {
    WindowList& list = Windows();
    std::lock_guard lock(list.mutex);
    list.windows.remove(this);
  }
  queue_->DiscardFor(this);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!(flags & SWP_NOZORDER)) {
    WindowList& list = Windows();
    std::lock_guard lock(list.mutex);
    auto self = std::find(list.windows.begin(), list.windows.end(), this);
    if (self == list.windows.end() || insertAfter == this) return 0;
    std::list<CWnd*>::iterator place;
    if (insertAfter == &wndTop) {
      place = list.windows.begin();
    } else if (insertAfter == &wndBottom) {
      place = list.windows.end();
    } else {
      place = std::find(list.windows.begin(), list.windows.end(), insertAfter);
      if (place == list.windows.end()) return 0;
      ++place;
    }
    list.windows.splice(place, list.windows, self);
  }
  if (!(flags & SWP_NOMOVE)) {
    rect_.right += x - rect_.left;
    rect_.bottom += y - rect_.top;
    rect_.left = x;
    rect_.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    rect_.right = rect_.left + cx;
    rect_.bottom = rect_.top + cy;
  }
  return 1;
}

void CWnd::GetWindowRect(RECT* rect) const {
  if (rect) *rect = rect_;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(this, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowProc(message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL enable) {
  const bool wasDisabled = !enabled_;
  enabled_ = enable != 0;
  return wasDisabled ? 1 : 0;
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) { return 0; }

std::vector<CWnd*> CWnd::GetZOrder() {
  WindowList& list = Windows();
  std::lock_guard lock(list.mutex);
  return {list.windows.begin(), list.windows.end()};
}
