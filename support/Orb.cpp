#include "support/Orb.h"

#include "platform/ShellExecute.h"
#include "support/Logger.h"

Orb::Orb() = default;

Orb::~Orb() = default;

void Orb::OpenSorrelHomepage() {
  // Values up to 32 are the shell's failure codes.
  if (ShellExecuteA(nullptr, "open", kHomepage, nullptr, nullptr, SW_SHOWNORMAL) <= 32) {
    Logger::debugFailure(CString("Orb: cannot open ") + kHomepage);
  }
}
