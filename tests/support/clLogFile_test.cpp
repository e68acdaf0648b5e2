#include "support/clLogFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/clAccessFile.h"
#include "tests/common/TempDir.h"

namespace {

const std::string kBanner = R"(\*{77})";
const char kStartLine[] = R"(Start of processing\t: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)";

TEST(ProcessLog, RunsAreAppendedAndNothingIsWrittenWhileAnotherWriterHoldsTheFile) {
  TempDir dir;
  const std::string path = dir.File("run.log");
  clLogFile log;
  EXPECT_EQ(log.mAddStep("lost"), 0);  // no file yet
  EXPECT_EQ(log.mInitLogFile(dir.File("no/such/dir.log").c_str()), 0);
  EXPECT_EQ(log.mInitLogFile(path.c_str()), 1);  // a new file starts with an empty line
  EXPECT_EQ(log.mAddResult("Connected", 1), 1);
  EXPECT_EQ(log.mAddResult("Plain", 2), 1);
  EXPECT_EQ(log.mAddStep("Step"), 1);
  EXPECT_EQ(log.mLogNewProcess("Title"), 1);
  EXPECT_EQ(log.mLogEndOfProcess(), 1);
  // An existing file is kept, a run added, and it becomes its owner's alone.
  std::filesystem::permissions(path, std::filesystem::perms::all);
  clLogFile again;
  EXPECT_EQ(again.mInitLogFile(path.c_str()), 1);
  EXPECT_TRUE(again.mIsPrivate());
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const std::string text = ReadBytes(path);
  const std::string run = "\r\n\r\n" + kBanner + "\r\n\r\n" + kStartLine;
  EXPECT_TRUE(std::regex_match(
      text, std::regex("\r\n" + run + R"(\d\d:\d\d:\d\d Connected\tok !\r\n)" +
                       R"(\d\d:\d\d:\d\d Plain\r\n)" + "\r\nStep\r\n" + run + "\r\nTitle\r\n" +
                       R"(\r\nEnd of processing\t: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)" +
                       R"(\r\nTime of processing\t: 0:0:[01]\r\n\r\n)" + run)));
  // While another writer holds the file, calls return 0 instead of interleaving.
  clAccessFile holder;
  ASSERT_EQ(holder.mOpenFileForAppend(path.c_str()), 1);
  EXPECT_EQ(log.mAddResult("blocked", 1), 0);
  EXPECT_EQ(log.mLogEndOfProcess(), 0);
  EXPECT_EQ(clLogFile().mInitLogFile(path.c_str()), 0);
  EXPECT_EQ(ReadBytes(path), text);
  holder.mCloseFile();
  EXPECT_EQ(log.mAddResult("free", 0), 1);
}

TEST(ProcessLog, DurationShowsTotalsNotRemainders) {
  EXPECT_EQ(clLogFile::FormatDuration(CTimeSpan(59)), "0:0:59");
  EXPECT_EQ(clLogFile::FormatDuration(CTimeSpan(60)), "0:1:60");
  EXPECT_EQ(clLogFile::FormatDuration(CTimeSpan(125)), "0:2:125");
  EXPECT_EQ(clLogFile::FormatDuration(CTimeSpan(3725)), "1:62:3725");
}

}  // namespace
