#pragma once

#include "platform/Export.h"
#include "support/Exception.h"

// A failure raised on the Java side; part of the family for clients, not thrown by the library.
// Thrown by pointer from new; the catcher owns and deletes it.
class SORREL_EXPORT JavaException : public Exception {
 public:
  explicit JavaException(const CString& message);
  JavaException(const JavaException& other);
  JavaException& operator=(const JavaException& other);
  ~JavaException() override;
};
