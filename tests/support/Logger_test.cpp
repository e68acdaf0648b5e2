#include "support/Logger.h"

#include <gtest/gtest.h>

#include <array>
#include <latch>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/DiagnosticSink.h"
#include "support/clAccessConfigFile.h"
#include "tests/common/TempDir.h"

namespace {

// A configuration file with the given "Debug" line and a clean registry.
class LoggerTest : public ::testing::Test {
 protected:
  void Configure(const char* debugLine) {
    WriteBytes(dir_.File("client.ini"), std::string("[OPTION]\r\n") + debugLine + "\r\n");
    Logger::initialize(dir_.File("client.ini").c_str(), dir_.path().c_str());
  }
  void TearDown() override {
    Logger::uninitialize();
    Logger::initialize("", "");
  }
  std::string LogPath(const char* name) const { return dir_.File(std::string(name) + ".log"); }
  // What `action` writes to standard output.
  template <class Action>
  static std::string Printed(Action action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
  }

  TempDir dir_;
};

// Loggers keep the state and the file they were created with; an enabled one writes both.
TEST_F(LoggerTest, EnabledLoggerWritesTheFileAndStandardOutputAndLoggersKeepTheirFirstState) {
  Logger& early = Logger::getLogger("early");
  Configure("Debug=1");
  EXPECT_FALSE(early.isWarnEnabled());
  Logger& logger = Logger::getLogger("kernel");
  EXPECT_EQ(&Logger::getLogger("kernel"), &logger);
  const std::string started = ReadBytes(LogPath("kernel"));
  EXPECT_NE(started.find(std::string(77, '*')), std::string::npos);
  const std::string out = Printed([&] { logger.info("Connected"); });
  EXPECT_TRUE(std::regex_match(
      out, std::regex(R"(INFO \[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3}\] Connected\n)")));
  // The file line is the local time, a blank and the same line, ended by CR LF.
  const std::string added = ReadBytes(LogPath("kernel")).substr(started.size());
  ASSERT_EQ(added.size(), 9 + out.size() + 1) << added;
  EXPECT_TRUE(std::regex_match(added.substr(0, 9), std::regex(R"(\d\d:\d\d:\d\d )")));
  EXPECT_EQ(added.substr(9), out.substr(0, out.size() - 1) + "\r\n");
  // A file over 1 MiB starts again; one of 1 MiB is appended to.
  WriteBytes(LogPath("big"), std::string(1048577, 'x'));
  WriteBytes(LogPath("limit"), std::string(1048576, 'x'));
  Logger::getLogger("big");
  Logger::getLogger("limit");
  EXPECT_EQ(ReadBytes(LogPath("big")).substr(0, 6), "\r\n\r\n\r\n");
  EXPECT_EQ(ReadBytes(LogPath("limit")).substr(0, 3), "xxx");
}

TEST_F(LoggerTest, OnlyTheValueOneSwitchesLoggingOn) {
  for (const char* line : {"Debug=0", "Debug=yes", "Debug=true", "Debug=01", "Other=1"}) {
    Configure(line);
    Logger& logger = Logger::getLogger("quiet");
    EXPECT_FALSE(logger.isDebugEnabled()) << line;
    EXPECT_EQ(Printed([&] { logger.error("nothing"); }), "") << line;
    EXPECT_FALSE(std::filesystem::exists(LogPath("quiet"))) << line;
    Logger::uninitialize();
  }
}

TEST_F(LoggerTest, UnwritableFileStillLogsToStandardOutput) {
  WriteBytes(dir_.File("client.ini"), "[OPTION]\r\nDebug=1\r\n");
  Logger::initialize(dir_.File("client.ini").c_str(), dir_.File("missing").c_str());
  testing::internal::CaptureStderr();
  const std::string out = Printed([] { Logger::getLogger("kernel").warn("still shown"); });
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(std::regex_search(
      out, std::regex(R"(cannot create the log file[\s\S]*\nWARN \[[^\]]*\] still shown\n)")))
      << out;
}

TEST_F(LoggerTest, ReportsOfTheLayersBelowReachTheKernelLog) {
  Configure("Debug=1");
  const std::string out = Printed([&] {
    ReportDiagnostic(DiagnosticLevel::kWarn, "disk almost full");
    // A support class below the logger reports its failure through the sink.
    clAccessConfigFile(dir_.File("missing/x.ini").c_str()).mWrite("S", "k", 1);
  });
  EXPECT_TRUE(std::regex_search(out, std::regex(R"((^|\n)WARN \[[^\]]*\] disk almost full\n)")))
      << out;
  EXPECT_TRUE(std::regex_search(
      out, std::regex(R"((^|\n)DEBUG \[[^\]]*\] [^\n]*cannot write \[S\] k to [^\n]*x\.ini\n)")))
      << out;

  // Switched off, a report logs nothing and leaves no silent "kernel" logger
  // behind: once logging is on again, reports show.
  Logger::uninitialize();
  Configure("Debug=0");
  EXPECT_EQ(Printed([] { ReportDiagnostic(DiagnosticLevel::kError, "unseen"); }), "");
  Configure("Debug=1");
  EXPECT_NE(Printed([] { ReportDiagnostic(DiagnosticLevel::kInfo, "seen"); }).find("] seen\n"),
            std::string::npos);
}

// Threads that ask for the same names at the same moment get one logger per
// name, whose file starts one run; their reports through the sink all arrive.
TEST_F(LoggerTest, ThreadsCreatingLoggersAtOnceShareOneLoggerPerName) {
  Configure("Debug=1");
  constexpr int kThreads = 4;
  constexpr int kNames = 12;
  std::vector<std::array<Logger*, kNames>> seen(kThreads);
  std::latch start(kThreads);
  const std::string out = Printed([&] {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        start.arrive_and_wait();
        for (int n = 0; n < kNames; ++n) {
          seen[t][n] = &Logger::getLogger(("shared" + std::to_string(n)).c_str());
          Logger::getLogger(("own" + std::to_string(t) + "-" + std::to_string(n)).c_str());
          ReportDiagnostic(DiagnosticLevel::kInfo, "from a thread");
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  });
  for (int n = 0; n < kNames; ++n) {
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t][n], seen[0][n]) << n;
    const std::string text = ReadBytes(LogPath(("shared" + std::to_string(n)).c_str()));
    EXPECT_EQ(text.find(std::string(77, '*')), text.rfind(std::string(77, '*'))) << n;
  }
  const std::regex report("INFO \\[[^\\]]*\\] from a thread\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(out.begin(), out.end(), report), {}),
            kThreads * kNames);
}

}  // namespace
