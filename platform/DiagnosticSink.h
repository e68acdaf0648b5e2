#pragma once

#include <functional>

#include "platform/Export.h"

// The diagnostic sink: where every layer of the library reports what it
// handles without telling its caller (a file that cannot be deleted, a
// profile write refused, a connection retried). It sits at the bottom of the
// library so that any module may report, whatever it depends on; the support
// module's Logger installs itself here (Logger::initialize), and the reports
// then reach the "kernel" log when logging is on. Until a handler is
// installed, reports are dropped.
//
//   ReportDiagnostic(DiagnosticLevel::kDebug, "clAccessFile: cannot delete x");
//
// Reporting never throws and never fails the caller. Installing and reporting
// are safe from any thread; a handler must itself be safe for the threads that
// report through it.

// The levels of a report, from the least to the most severe.
enum class DiagnosticLevel { kDebug, kInfo, kWarn, kError };

// Receives one report; `message` is valid for the duration of the call.
using DiagnosticHandler = std::function<void(DiagnosticLevel level, const char* message)>;

// Installs a handler for every later report; an empty handler restores the
// default, which drops them. Returns the handler it replaced (empty for the default).
SORREL_EXPORT DiagnosticHandler SetDiagnosticHandler(DiagnosticHandler handler);

// Hands `message` (null reads as "") at `level` to the current handler. An
// exception thrown by the handler is swallowed: a report never disturbs its caller.
SORREL_EXPORT void ReportDiagnostic(DiagnosticLevel level, const char* message);
