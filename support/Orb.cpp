#include "support/Orb.h"

#include "platform/ShellExecute.h"

Orb::Orb() = default;

Orb::~Orb() = default;

void Orb::OpenSorrelHomepage() {
  ShellExecuteA(nullptr, "open", kHomepage, nullptr, nullptr, SW_SHOWNORMAL);
}
