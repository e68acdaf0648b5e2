#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// The process environment and the calling thread's message queue.
class SORREL_EXPORT SystemUtil {
 public:
  // Removes and dispatches every message waiting in the calling thread's
  // queue, for any window, until the queue is empty; keeps the client's
  // windows alive during long operations.
  static void DispatchMessages();

  // The variable's whole value, however long; empty when it is not set (or
  // when it changed size between the two reads a long value needs).
  static CString GetEnvironmentVariableA(CString name);
  // Sets the variable for this process; false when the name is not valid
  // (empty, or containing "=").
  static bool SetEnvironmentVariableA(CString name, CString value);
};
