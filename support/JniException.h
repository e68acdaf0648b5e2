#pragma once

#include "platform/Export.h"
#include "support/Exception.h"

// An error text returned by a function of the Java-side library.
// Thrown by pointer from new; the catcher owns and deletes it.
class SORREL_EXPORT JniException : public Exception {
 public:
  explicit JniException(const CString& message);
  JniException(const JniException& other);
  JniException& operator=(const JniException& other);
  ~JniException() override;
};
