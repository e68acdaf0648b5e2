#include "support/Orb.h"

#include "platform/CString.h"
#include "platform/DiagnosticSink.h"
#include "platform/ShellExecute.h"

Orb::Orb() = default;

Orb::~Orb() = default;

void Orb::OpenSorrelHomepage() {
  // Values up to 32 are the shell's failure codes.
  if (ShellExecuteA(nullptr, "open", kHomepage, nullptr, nullptr, SW_SHOWNORMAL) <= 32) {
    ReportDiagnostic(DiagnosticLevel::kDebug, (CString("Orb: cannot open ") + kHomepage).c_str());
  }
}
