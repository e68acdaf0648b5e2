#include "session/QuietMessageBoxes.h"

#include <string>

#include "platform/DiagnosticSink.h"

QuietMessageBoxes::QuietMessageBoxes() {
  previous_ = SetMessageBoxHandler([](const char* text, unsigned) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     (std::string("(session) message box not shown: ") + text).c_str());
    return IDOK;
  });
}

QuietMessageBoxes::~QuietMessageBoxes() { SetMessageBoxHandler(previous_); }
