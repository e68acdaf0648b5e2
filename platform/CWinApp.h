#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// The application-object base: a name and the process-wide "current
// application" that AfxGetApp answers. The object does not own anything.
class SORREL_EXPORT CWinApp {
 public:
  explicit CWinApp(const char* appName);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  const CString& GetAppName() const { return appName_; }

  // Show and take away the wait cursor through the process's wait-cursor
  // handler (see CWaitCursor.h); calls pair up, innermost first.
  void BeginWaitCursor();
  void EndWaitCursor();

 private:
  CString appName_;
};

// The most recently constructed application object still alive, or null.
SORREL_EXPORT CWinApp* AfxGetApp();
