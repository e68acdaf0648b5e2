#include "platform/CWinApp.h"

namespace {
CWinApp* currentApp = nullptr;
}

CWinApp::CWinApp(const char* appName) : appName_(appName) { currentApp = this; }

CWinApp::~CWinApp() {
  if (currentApp == this) currentApp = nullptr;
}

CWinApp* AfxGetApp() { return currentApp; }
