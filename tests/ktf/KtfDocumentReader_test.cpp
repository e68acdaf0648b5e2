#include "ktf/KtfDocumentReader.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/common/TempDir.h"

namespace {

// Documents as "CODE=value|CODE=value" joined by " / ".
std::string Show(const KtfDocumentReader& reader) {
  std::string text;
  for (size_t d = 0; d < reader.documents().size(); ++d) {
    if (d > 0) text += " / ";
    const auto& document = reader.documents()[d];
    for (size_t f = 0; f < document.size(); ++f) {
      text += (f ? "|" : "") + document[f].first + "=" + document[f].second;
    }
  }
  return text;
}

TEST(KtfDocumentReader, ReadsTheDocumentFormAndNamesTheLineThatBreaksIt) {
  const struct {
    const char* text;
    const char* documents;  // or the error, which starts with "line"
  } cases[] = {
      {"PN=EP 1\nTI=a\n\nPN=US 2\n", "PN=EP 1|TI=a / PN=US 2"},
      {"\n\n# lead\nPN=EP 1\n# inside\nAB=\n\n\n", "PN=EP 1|AB="},
      {"PN=EP 1\r\nTI=a=b\r\n\r\nPN=US 2", "PN=EP 1|TI=a=b / PN=US 2"},
      {"AB=x\\ny\\\\z\\r\n", "AB=x\ny\\z\r"},
      {"PA=Holm & Sons\nPA=\xe9t\xe9\nPRD=20000101", "PA=Holm & Sons|PA=\xe9t\xe9|PRD=20000101"},
      {"FP=p.croft 297 210 0 5\n", "FP=p.croft 297 210 0 5"},
      {"", ""},
      // A failure keeps no document, not even those read before the line.
      {"PN=EP 1\n\nnot a field\n", "line 3: not a CODE=VALUE line"},
      {"PN=1\npn=lower\n", "line 2: not a CODE=VALUE line"},
      {"1N=x\n", "line 1: not a CODE=VALUE line"},
      {"\n\n=x\n", "line 3: not a CODE=VALUE line"},
      {"P-N=x\n", "line 1: not a CODE=VALUE line"},
      {"AB=a\\tb\n", "line 1: a backslash must be followed by \\, n or r"},
      {"AB=ends in \\", "line 1: a backslash must be followed by \\, n or r"},
      {"AB=a\\\r\n", "line 1: a backslash must be followed by \\, n or r"},
      {"FP=p.croft 297 210 0\n", "line 1: FP needs five words: FILE HEIGHT WIDTH X Y"},
      {"FP=p.croft 297  210 0 0\n", "line 1: FP needs five words: FILE HEIGHT WIDTH X Y"},
      {"FP=p.croft 297 210 0 0 \n", "line 1: FP needs five words: FILE HEIGHT WIDTH X Y"},
      {"FP= p.croft 297 210 0\n", "line 1: FP needs five words: FILE HEIGHT WIDTH X Y"},
  };
  for (const auto& c : cases) {
    KtfDocumentReader reader;
    EXPECT_EQ(reader.Parse(c.text), std::string(c.documents).rfind("line", 0) != 0) << c.text;
    EXPECT_EQ(reader.error() + Show(reader), c.documents) << c.text;
  }
}

TEST(KtfDocumentReader, ReadsFilesAndSaysWhichCannotBeRead) {
  TempDir dir;
  WriteBytes(dir.File("two.ktf"), "PN=EP 1\nPA=a\nPA=b\n\nPN=EP 2\n");
  KtfDocumentReader reader;
  ASSERT_TRUE(reader.ReadFile(dir.File("two.ktf").c_str())) << reader.error();
  ASSERT_EQ(reader.documents().size(), 2u);
  EXPECT_EQ(reader.documents()[0].Values("PA"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(reader.documents()[1].First("PN"), "EP 2");
  EXPECT_EQ(reader.documents()[1].First("PA"), "");

  EXPECT_FALSE(reader.ReadFile(dir.File("missing.ktf").c_str()));
  EXPECT_EQ(reader.error(), "cannot open " + dir.File("missing.ktf"));
  EXPECT_TRUE(reader.documents().empty());
  EXPECT_FALSE(reader.ReadFile(nullptr));
  EXPECT_EQ(reader.error(), "cannot open (null)");
}

}  // namespace
