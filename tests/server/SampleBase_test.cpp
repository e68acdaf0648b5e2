#include "server/SampleBase.h"

#include <gtest/gtest.h>

#include "ktf/KtfDocumentReader.h"
#include "tests/common/TempDir.h"

namespace {

TEST(SampleBase, WritesTheSameDocumentsEveryTime) {
  TempDir first, second;
  std::string error;
  ASSERT_TRUE(SampleBase::Write(first.path().string(), "SAMPLE", 2000, error)) << error;
  ASSERT_TRUE(SampleBase::Write(second.path().string(), "SAMPLE", 2000, error)) << error;
  std::string text = ReadBytes(first.File("documents.ktf"));
  EXPECT_EQ(text, ReadBytes(second.File("documents.ktf")));
  KtfDocumentReader documents;
  ASSERT_TRUE(documents.Parse(text)) << documents.error();
  ASSERT_EQ(documents.documents().size(), 2000u);
  EXPECT_EQ(documents.documents()[0].First("PN"), "EP 1000000 A1");
  for (const auto& doc : documents.documents()) {
    for (const char* code : {"PN", "TI", "AB", "PA", "IN", "PD", "AD", "IC"}) {
      EXPECT_FALSE(doc.First(code).empty()) << doc.First("PN") << " lacks " << code;
    }
  }
  KtfDocumentReader entries;
  ASSERT_TRUE(entries.Parse(ReadBytes(first.File("register.ktf")))) << entries.error();
  ASSERT_EQ(entries.documents().size(), 1u);
  EXPECT_FALSE(entries.documents()[0].Values("FM").empty());
  EXPECT_FALSE(entries.documents()[0].Values("LE").empty());
}

}  // namespace
