#include "support/clAccessConfigFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/common/TempDir.h"

namespace {

// What mRead answers for `key` of `section` and the value it leaves, starting from `value`.
template <class Value>
std::pair<int, Value> Read(clAccessConfigFile& config, const char* section, const char* key,
                           Value value) {
  const int found = config.mRead(section, key, value);
  return {found, value};
}

std::vector<std::string> Strings(const CStringArray& array) {
  std::vector<std::string> strings;
  for (int i = 0; i < array.GetSize(); ++i) strings.push_back(array[i].str());
  return strings;
}

TEST(ConfigFile, EmptyOrMissingValuesReadAsNothing) {
  TempDir dir;
  WriteBytes(dir.File("c.ini"), "[S]\r\nempty=\r\nnum=42abc\r\nword=abc\r\nneg=-7\r\n");
  clAccessConfigFile config(dir.File("c.ini").c_str());
  EXPECT_EQ(Read(config, "S", "empty", CString("untouched")), std::make_pair(0, CString()));
  EXPECT_EQ(Read(config, "S", "empty", 5), std::make_pair(0, 5));
  EXPECT_EQ(Read(config, "S", "missing", 6L), std::make_pair(0, 6L));
  // Leading digits count; text without them still reads, as 0.
  EXPECT_EQ(Read(config, "S", "num", 5), std::make_pair(1, 42));
  EXPECT_EQ(Read(config, "S", "word", 6L), std::make_pair(1, 0L));
  EXPECT_EQ(Read(config, "S", "neg", 6L), std::make_pair(1, -7L));
  clAccessConfigFile missing(dir.File("none.ini").c_str());
  EXPECT_EQ(Read(missing, "S", "num", CString()).first, 0);
}

TEST(ConfigFile, BooleansLookAtTheFirstCharacter) {
  const struct {
    const char* line;  // the key's line
    bool expected;     // value read with default true
  } cases[] = {
      {"b=Y", true},  {"b=TRUE", true},   {"b=10", true}, {"b=n", false},
      {"b=2", false}, {"b=false", false}, {"b=", true},   {"other=0", true},
  };
  TempDir dir;
  const std::string path = dir.File("b.ini");
  for (const auto& c : cases) {
    WriteBytes(path, std::string("[S]\r\n") + c.line + "\r\n");
    bool value = !c.expected;
    clAccessConfigFile(path.c_str()).Read("S", "b", value, true);
    EXPECT_EQ(value, c.expected) << c.line;
  }
}

TEST(ConfigFile, ListsStopAtTheFirstGapAndNamesComeInFileOrderWhateverTheirCount) {
  TempDir dir;
  std::string text = "[Criteria]\r\n";
  for (int i = 0; i < 400; ++i) text += "CRITERION_NUMBER_" + std::to_string(i) + "=x\r\n";
  WriteBytes(dir.File("n.ini"), text + "[S]\r\nitem0=a\r\nitem1=b\r\nitem3=d\r\n");
  clAccessConfigFile config(dir.File("n.ini").c_str());
  CStringArray list;
  list.Add("kept");
  config.ReadList("S", "item", list);
  EXPECT_EQ(Strings(list), (std::vector<std::string>{"kept", "a", "b"}));
  CStringArray sections;
  config.mReadSectionNames(sections);
  EXPECT_EQ(Strings(sections), (std::vector<std::string>{"Criteria", "S"}));
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
  EXPECT_EQ(Read(config, "s", "LONG", 0L), std::make_pair(1, 1234567890L));
  // Values are cut to 2046 bytes.
  EXPECT_EQ(config.mWrite("S", "long", CString(std::string(3000, 'x'))), 1);
  EXPECT_EQ(Read(config, "S", "long", CString()),
            std::make_pair(1, CString(std::string(2046, 'x'))));
  // A failed write answers 0; Logger_test checks that its debug report reaches the log.
  config.mSetFileName(dir.File("missing/dir.ini").c_str());
  EXPECT_EQ(config.mWrite("S", "k", 1), 0);
}

}  // namespace
