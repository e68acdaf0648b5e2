#include "platform/DiagnosticSink.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/common/ScopedHandler.h"

namespace {

struct Report {
  DiagnosticLevel level;
  std::string message;
  bool operator==(const Report&) const = default;
};

TEST(DiagnosticSink, ReportsReachTheInstalledHandlerUntilItIsReplaced) {
  std::vector<Report> outer;
  std::vector<Report> inner;
  {
    ScopedHandler first(SetDiagnosticHandler, [&outer](DiagnosticLevel level, const char* text) {
      outer.push_back({level, text});
    });
    ReportDiagnostic(DiagnosticLevel::kWarn, "one");
    {
      ScopedHandler second(SetDiagnosticHandler, [&inner](DiagnosticLevel level, const char* text) {
        inner.push_back({level, text});
      });
      ReportDiagnostic(DiagnosticLevel::kDebug, nullptr);
    }
    ReportDiagnostic(DiagnosticLevel::kError, "three");
  }
  // Back to the default, which drops the report.
  ReportDiagnostic(DiagnosticLevel::kInfo, "dropped");
  EXPECT_EQ(outer, (std::vector<Report>{{DiagnosticLevel::kWarn, "one"},
                                        {DiagnosticLevel::kError, "three"}}));
  EXPECT_EQ(inner, (std::vector<Report>{{DiagnosticLevel::kDebug, ""}}));
}

TEST(DiagnosticSink, AThrowingHandlerNeverReachesTheReporter) {
  ScopedHandler failing(SetDiagnosticHandler, [](DiagnosticLevel, const char*) {
    throw std::runtime_error("handler failed");
  });
  EXPECT_NO_THROW(ReportDiagnostic(DiagnosticLevel::kError, "lost"));
}

}  // namespace
