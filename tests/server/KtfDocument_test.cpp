#include "server/KtfDocument.h"

#include <gtest/gtest.h>

#include "server/SampleBase.h"
#include "tests/common/TempDir.h"

namespace {

TEST(KtfDocument, ValuesComeBackByteForByte) {
  KtfDocument doc;
  doc.Add("PN", "EP 1000000 A1");
  doc.Add("AB", "line one\nline two\r\\ end = \xe9t\xe9");
  doc.Add("PA", "");
  doc.Add("PA", "Holm & Sons");
  std::string text = doc.ToText();
  EXPECT_EQ(
      text,
      "PN=EP 1000000 A1\nAB=line one\\nline two\\r\\\\ end = \xe9t\xe9\nPA=\nPA=Holm & Sons\n");
  std::vector<KtfDocument> read;
  std::string error;
  ASSERT_TRUE(KtfDocument::ParseAll("# comment\n\n" + text + "\n\n\r\n" + text, read, error))
      << error;
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].Fields(), doc.Fields());
  EXPECT_EQ(read[0].Values("PA"), (std::vector<std::string>{"", "Holm & Sons"}));
}

TEST(KtfDocument, NamesTheLineThatIsNotAField) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"PN=1\nnot a field\n", "line 2: not a CODE=VALUE"},
      {"PN=1\npn=lower\n", "line 2: not a CODE=VALUE"},
      {"\n\n=value\n", "line 3: not a CODE=VALUE"},
      {"AB=bad \\t escape\n", "line 1: bad escape"},
      {"AB=ends in \\", "line 1: bad escape"},
  };
  for (const Case& c : cases) {
    std::vector<KtfDocument> read;
    std::string error;
    EXPECT_FALSE(KtfDocument::ParseAll(c.text, read, error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

TEST(SampleBase, WritesTheSameDocumentsEveryTime) {
  TempDir first, second;
  std::string error;
  ASSERT_TRUE(SampleBase::Write(first.path().string(), "SAMPLE", 2000, error)) << error;
  ASSERT_TRUE(SampleBase::Write(second.path().string(), "SAMPLE", 2000, error)) << error;
  std::string text = ReadBytes(first.File("documents.ktf"));
  EXPECT_EQ(text, ReadBytes(second.File("documents.ktf")));
  std::vector<KtfDocument> documents;
  ASSERT_TRUE(KtfDocument::ParseAll(text, documents, error)) << error;
  ASSERT_EQ(documents.size(), 2000u);
  EXPECT_EQ(documents[0].First("PN"), "EP 1000000 A1");
  for (const auto& doc : documents) {
    for (const char* code : {"PN", "TI", "AB", "PA", "IN", "PD", "AD", "IC"}) {
      EXPECT_FALSE(doc.First(code).empty()) << doc.First("PN") << " lacks " << code;
    }
  }
  std::vector<KtfDocument> entries;
  ASSERT_TRUE(KtfDocument::ParseAll(ReadBytes(first.File("register.ktf")), entries, error));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_FALSE(entries[0].Values("FM").empty());
  EXPECT_FALSE(entries[0].Values("LE").empty());
}

}  // namespace
