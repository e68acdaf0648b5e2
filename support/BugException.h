#pragma once

#include "platform/Export.h"
#include "support/Exception.h"

// An internal inconsistency, such as a missing export of the Java-side library.
// Thrown by pointer from new; the catcher owns and deletes it.
class SORREL_EXPORT BugException : public Exception {
 public:
  explicit BugException(const CString& message);
  BugException(const BugException& other);
  BugException& operator=(const BugException& other);
  ~BugException() override;
};
