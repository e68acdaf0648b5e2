#include "platform/CWinApp.h"

#include "platform/CWaitCursor.h"

namespace {
CWinApp* currentApp = nullptr;
}

CWinApp::CWinApp(const char* appName) : appName_(appName) { currentApp = this; }

CWinApp::~CWinApp() {
  if (currentApp == this) currentApp = nullptr;
}

CWinApp* AfxGetApp() { return currentApp; }

void CWinApp::BeginWaitCursor() { DoWaitCursor(true); }

void CWinApp::EndWaitCursor() { DoWaitCursor(false); }
