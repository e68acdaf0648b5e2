#include "platform/CWaitCursor.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}

WaitCursorHandler& CurrentHandler() {
  static WaitCursorHandler handler;
  return handler;
}

}  // namespace

WaitCursorHandler SetWaitCursorHandler(WaitCursorHandler handler) {
  std::lock_guard lock(HandlerMutex());
  return std::exchange(CurrentHandler(), std::move(handler));
}

void DoWaitCursor(bool show) {
  WaitCursorHandler handler;
  {
    std::lock_guard lock(HandlerMutex());
    handler = CurrentHandler();
  }
  if (handler) handler(show);
}

CWaitCursor::CWaitCursor() { DoWaitCursor(true); }

CWaitCursor::~CWaitCursor() { DoWaitCursor(false); }

void CWaitCursor::Restore() { DoWaitCursor(true); }
