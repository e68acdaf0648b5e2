#include "platform/CWaitCursor.h"

#include <utility>

#include "platform/ReplaceableHandler.h"

namespace {

ReplaceableHandler<WaitCursorHandler>& Handler() {
  static ReplaceableHandler<WaitCursorHandler> handler;
  return handler;
}

}  // namespace

WaitCursorHandler SetWaitCursorHandler(WaitCursorHandler handler) {
  return Handler().Replace(std::move(handler));
}

void DoWaitCursor(bool show) {
  const WaitCursorHandler handler = Handler().Current();
  if (handler) handler(show);
}

CWaitCursor::CWaitCursor() { DoWaitCursor(true); }

CWaitCursor::~CWaitCursor() { DoWaitCursor(false); }

void CWaitCursor::Restore() { DoWaitCursor(true); }
