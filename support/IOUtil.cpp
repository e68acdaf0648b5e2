#include "support/IOUtil.h"

#include "platform/Console.h"

void IOUtil::RedirectIOToConsole(CString title) {
  // A terminal keeps its own scroll-back, so there is no screen buffer to
  // enlarge; the streams are the terminal's already and only need to lose
  // their buffers.
  AllocConsole();
  SetConsoleTitleA(title);
}
