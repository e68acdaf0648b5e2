#pragma once

#include "platform/CWinApp.h"
#include "platform/Export.h"

// The library's application object. It exists once per process, created while
// the library is loaded, and carries no behaviour of its own: the library has
// no initialisation call, and clients start logging with Logger::initialize.
class SORREL_EXPORT CSORRELKernelApp : public CWinApp {
 public:
  CSORRELKernelApp();
  ~CSORRELKernelApp() override;

  // The one instance, alive from load to unload of the library; owned by it.
  static CSORRELKernelApp& instance();
  // The library's version ("MAJOR.MINOR.PATCH"), as built; a static string.
  static const char* version();
};
