#include "server/SampleBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "tests/common/TempDir.h"

namespace {

// The same documents every time, whatever their number: a smaller base is
// the start of a larger one, followed by the same four accented documents.
TEST(SampleBase, WritesTheSameDocumentsEveryTime) {
  TempDir first, second, small;
  std::string error;
  ASSERT_TRUE(SampleBase::Write(first.path().string(), "SAMPLE", 2000, error)) << error;
  ASSERT_TRUE(SampleBase::Write(second.path().string(), "SAMPLE", 2000, error)) << error;
  ASSERT_TRUE(SampleBase::Write(small.path().string(), "S", 10, error)) << error;
  std::string text = ReadBytes(first.File("documents.ktf"));
  EXPECT_EQ(text, ReadBytes(second.File("documents.ktf")));
  KtfDocumentReader documents;
  ASSERT_TRUE(documents.Parse(text)) << documents.error();
  // The generated documents, then the four with accented names.
  ASSERT_EQ(documents.documents().size(), 2004u);
  EXPECT_EQ(documents.documents()[0].First("PN"), "EP 1000000 A1");
  KtfDocumentReader few;
  ASSERT_TRUE(few.Parse(ReadBytes(small.File("documents.ktf")))) << few.error();
  ASSERT_EQ(few.documents().size(), 14u);
  for (size_t i = 0; i < 14; ++i) {
    const KtfDocument& same = documents.documents()[i < 10 ? i : i + 1990];
    EXPECT_EQ(few.documents()[i].First("PN"), same.First("PN")) << i;
    EXPECT_EQ(few.documents()[i].First("AB"), same.First("AB")) << i;
  }
  for (const auto& doc : documents.documents()) {
    for (const char* code : {"PN", "TI", "AB", "PA", "IN", "PD", "AD", "IC"}) {
      EXPECT_FALSE(doc.First(code).empty()) << doc.First("PN") << " lacks " << code;
    }
  }
  std::vector<std::string> names;
  for (size_t i = 2000; i < 2004; ++i) {
    const KtfDocument& doc = documents.documents()[i];
    for (const char* code : {"TI", "PA", "IN"}) {
      for (const std::string& value : doc.Values(code)) {
        EXPECT_TRUE(std::any_of(value.begin(), value.end(), [](char c) { return c & 0x80; }))
            << value;
        names.push_back(value);
      }
    }
  }
  for (const char* name : {"J\xfcrgen M\xfcller", "Soci\xe9t\xe9 G\xe9n\xe9rale de Pompes"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
  EXPECT_TRUE(SampleBase::Current(first.path().string()));
  WriteBytes(first.File("base.ini"), "[BASE]\nName=SAMPLE\nTitle=Generated patent documents\n");
  EXPECT_FALSE(SampleBase::Current(first.path().string())) << "an earlier version's base";
  KtfDocumentReader entries;
  ASSERT_TRUE(entries.Parse(ReadBytes(first.File("register.ktf")))) << entries.error();
  ASSERT_EQ(entries.documents().size(), 1u);
  EXPECT_FALSE(entries.documents()[0].Values("FM").empty());
  EXPECT_FALSE(entries.documents()[0].Values("LE").empty());
}

}  // namespace
