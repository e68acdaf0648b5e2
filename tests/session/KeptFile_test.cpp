// kept.ktf across sessions: what an earlier session left in the folder is
// kept and added to, whatever way its file ends; a file that cannot be
// written leaves nothing behind.
#include "session/KeptFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "tests/common/TempDir.h"

namespace {

using Document = KtfDocumentReader::Document;

std::vector<Document> Read(const std::string& path) {
  KtfDocumentReader reader;
  EXPECT_TRUE(reader.ReadFile(path.c_str())) << reader.error();
  return reader.documents();
}

TEST(KeptFile, ASecondSessionAddsToTheFileAnEarlierOneLeft) {
  const Document earlier{{"PN", "EP 1 A1"}, {"TI", "Pump"}};
  const Document added{{"PN", "EP 2 A1"}, {"TI", "Roof"}};
  const struct {
    const char* name;
    std::string before;  // the file as the earlier session left it; "-": none
    bool continued;
  } kCases[] = {
      {"no earlier file", "-", false},
      {"empty earlier file", "", false},
      {"ends with its empty line", "PN=EP 1 A1\nTI=Pump\n\n", true},
      {"ends after its last field line", "PN=EP 1 A1\nTI=Pump\n", true},
      {"ends inside its last line", "PN=EP 1 A1\nTI=Pump", true},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.name);
    TempDir folder;
    if (known.before != "-") WriteBytes(folder.File("kept.ktf"), known.before);
    KeptFile kept(folder.path().string());
    ASSERT_TRUE(kept.Append({added}));
    ASSERT_TRUE(kept.Append({added}));
    EXPECT_EQ(kept.continued(), known.continued);
    std::vector<Document> expected = {added, added};
    if (known.continued) expected.insert(expected.begin(), earlier);
    EXPECT_EQ(Read(kept.path()), expected);
  }
}

TEST(KeptFile, AFolderThatIsNotThereGetsNoFile) {
  TempDir folder;
  KeptFile kept(folder.File("missing"));
  EXPECT_FALSE(kept.Append({Document{{"PN", "EP 1 A1"}}}));
  EXPECT_FALSE(kept.written());
  EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
}

}  // namespace
