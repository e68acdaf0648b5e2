#include "platform/DiagnosticSink.h"

#include <utility>

#include "platform/ReplaceableHandler.h"

namespace {

ReplaceableHandler<DiagnosticHandler>& Handler() {
  static ReplaceableHandler<DiagnosticHandler> handler;
  return handler;
}

}  // namespace

DiagnosticHandler SetDiagnosticHandler(DiagnosticHandler handler) {
  return Handler().Replace(std::move(handler));
}

void ReportDiagnostic(DiagnosticLevel level, const char* message) {
  const DiagnosticHandler handler = Handler().Current();
  if (!handler) return;
  try {
    handler(level, message ? message : "");
  } catch (...) {
    // The report is lost; the operation that made it goes on undisturbed.
  }
}
