#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// The root of the library's own exceptions: a message and nothing else. The
// family is thrown by pointer to an object made with new; whoever catches one
// owns it and deletes it.
class SORREL_EXPORT Exception {
 public:
  Exception();
  explicit Exception(const CString& message);
  Exception(const Exception& other);
  Exception& operator=(const Exception& other);
  virtual ~Exception();

  // The message, owned by the exception and alive as long as it is.
  CString& GetMessageA();

 private:
  CString message_;  // what went wrong, for the user or the log
};
