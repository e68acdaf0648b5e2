#pragma once

#include "platform/Export.h"
#include "support/Exception.h"

// The Java-side library cannot be loaded or unloaded.
// Thrown by pointer from new; the catcher owns and deletes it.
class SORREL_EXPORT LibraryException : public Exception {
 public:
  explicit LibraryException(const CString& message);
  LibraryException(const LibraryException& other);
  LibraryException& operator=(const LibraryException& other);
  ~LibraryException() override;
};
