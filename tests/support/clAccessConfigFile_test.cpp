#include "support/clAccessConfigFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DiagnosticSink.h"
#include "tests/common/ScopedHandler.h"
#include "tests/common/TempDir.h"

namespace {

TEST(ConfigFile, EmptyOrMissingValuesReadAsNothing) {
  TempDir dir;
  const std::string path = dir.File("c.ini");
  WriteBytes(path, "[S]\r\nempty=\r\nnum=42abc\r\nword=abc\r\nneg=-7\r\n");
  clAccessConfigFile config(path.c_str());
  CString text = "untouched";
  int number = 5;
  long big = 6;
  EXPECT_EQ(config.mRead("S", "empty", text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(config.mRead("S", "empty", number), 0);
  EXPECT_EQ(number, 5);
  EXPECT_EQ(config.mRead("S", "missing", big), 0);
  EXPECT_EQ(big, 6);
  // Leading digits count; text without them still reads, as 0.
  EXPECT_EQ(config.mRead("S", "num", number), 1);
  EXPECT_EQ(number, 42);
  EXPECT_EQ(config.mRead("S", "word", big), 1);
  EXPECT_EQ(big, 0);
  EXPECT_EQ(config.mRead("S", "neg", big), 1);
  EXPECT_EQ(big, -7);
  clAccessConfigFile missing(dir.File("none.ini").c_str());
  EXPECT_EQ(missing.mRead("S", "num", text), 0);
}

TEST(ConfigFile, BooleansLookAtTheFirstCharacter) {
  struct Case {
    const char* line;  // the key's line
    bool expected;     // value read with default true
  };
  const Case cases[] = {
      {"b=Y", true},  {"b=TRUE", true},   {"b=10", true}, {"b=n", false},
      {"b=2", false}, {"b=false", false}, {"b=", true},   {"other=0", true},
  };
  TempDir dir;
  const std::string path = dir.File("b.ini");
  for (const Case& c : cases) {
    WriteBytes(path, std::string("[S]\r\n") + c.line + "\r\n");
    bool value = !c.expected;
    clAccessConfigFile(path.c_str()).Read("S", "b", value, true);
    EXPECT_EQ(value, c.expected) << c.line;
  }
}

TEST(ConfigFile, ListStopsAtTheFirstGapAndAppends) {
  TempDir dir;
  const std::string path = dir.File("l.ini");
  WriteBytes(path, "[S]\r\nitem0=a\r\nitem1=b\r\nitem3=d\r\n");
  CStringArray list;
  list.Add("kept");
  clAccessConfigFile(path.c_str()).ReadList("S", "item", list);
  ASSERT_EQ(list.GetSize(), 3);
  EXPECT_EQ(list[0], "kept");
  EXPECT_EQ(list[1], "a");
  EXPECT_EQ(list[2], "b");
}

TEST(ConfigFile, ListsSectionAndKeyNamesOfAnySize) {
  TempDir dir;
  const std::string path = dir.File("n.ini");
  std::string text = "[Criteria]\r\n";
  for (int i = 0; i < 400; ++i) text += "CRITERION_NUMBER_" + std::to_string(i) + "=x\r\n";
  WriteBytes(path, text + "[Other]\r\n");
  clAccessConfigFile config(path.c_str());
  CStringArray sections;
  config.mReadSectionNames(sections);
  ASSERT_EQ(sections.GetSize(), 2);
  EXPECT_EQ(sections[1], "Other");
  CStringArray keys;
  config.mReadKeyNames("CRITERIA", keys);
  ASSERT_EQ(keys.GetSize(), 400);
  EXPECT_EQ(keys[399], "CRITERION_NUMBER_399");
}

TEST(ConfigFile, WrittenValuesReadBack) {
  TempDir dir;
  const std::string path = dir.File("w.ini");
  clAccessConfigFile config(path.c_str());
  EXPECT_EQ(config.mWrite("S", "int", -5), 1);
  EXPECT_EQ(config.mWrite("S", "long", 1234567890L), 1);
  EXPECT_EQ(config.mWrite("S", "text", CString("hello")), 1);
  EXPECT_EQ(ReadBytes(path), "[S]\r\nint=-5\r\nlong=1234567890\r\ntext=hello\r\n");
  long value = 0;
  EXPECT_EQ(config.mRead("s", "LONG", value), 1);
  EXPECT_EQ(value, 1234567890L);
  // Values are cut to 2046 bytes.
  EXPECT_EQ(config.mWrite("S", "long", CString(std::string(3000, 'x'))), 1);
  CString text;
  EXPECT_EQ(config.mRead("S", "long", text), 1);
  EXPECT_EQ(text.GetLength(), 2046);
  // A failed write answers 0 and says why at debug level.
  std::vector<std::string> reports;
  ScopedHandler recorder(SetDiagnosticHandler, [&reports](DiagnosticLevel level, const char* text) {
    if (level == DiagnosticLevel::kDebug) reports.emplace_back(text);
  });
  config.mSetFileName(dir.File("missing/dir.ini").c_str());
  EXPECT_EQ(config.mWrite("S", "k", 1), 0);
  ASSERT_FALSE(reports.empty());
  EXPECT_NE(reports.back().find("cannot write [S] k to "), std::string::npos) << reports.back();
}

}  // namespace
