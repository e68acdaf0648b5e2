#pragma once

#include "platform/Export.h"
#include "support/Exception.h"

// Any failure of the Java bridge as the client sees it.
// Thrown by pointer from new; the catcher owns and deletes it.
class SORREL_EXPORT JavaControllerException : public Exception {
 public:
  explicit JavaControllerException(const CString& message);
  JavaControllerException(const JavaControllerException& other);
  JavaControllerException& operator=(const JavaControllerException& other);
  ~JavaControllerException() override;
};
