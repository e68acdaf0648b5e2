#pragma once

#include <functional>

#include "platform/Export.h"

// Shows (true) or takes away (false) the wait cursor. The process-wide
// default does nothing; a client with a user interface installs its own.
using WaitCursorHandler = std::function<void(bool show)>;

// Installs a handler for every later wait-cursor change; an empty handler
// restores the default. Returns the handler it replaced (empty for the default).
SORREL_EXPORT WaitCursorHandler SetWaitCursorHandler(WaitCursorHandler handler);

// Shows or takes away the wait cursor through the current handler.
SORREL_EXPORT void DoWaitCursor(bool show);

// Shows the wait cursor for as long as the object lives.
class SORREL_EXPORT CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

  // Shows the wait cursor again, after something (a message box) replaced it.
  void Restore();
};
