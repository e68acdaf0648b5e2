#include "kernel/CSORRELKernelApp.h"

CSORRELKernelApp::CSORRELKernelApp() : CWinApp("SORRELKernel") {}

CSORRELKernelApp::~CSORRELKernelApp() = default;

CSORRELKernelApp& CSORRELKernelApp::instance() {
  static CSORRELKernelApp app;
  return app;
}

const char* CSORRELKernelApp::version() { return SORREL_LIBRARY_VERSION; }

namespace {
// Creates the application object as the library is loaded, so that
// AfxGetApp() answers from the first call into the library.
[[maybe_unused]] const CSORRELKernelApp& kLoadTimeApp = CSORRELKernelApp::instance();
}  // namespace
