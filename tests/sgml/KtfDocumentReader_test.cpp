#include "sgml/KtfDocumentReader.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/sgml/SgmlConversion.h"

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

TEST(KtfDocumentReader, ReadsTheDocumentForm) {
  const struct {
    const char* text;
    const char* documents;  // or the error, which starts with "line"
  } cases[] = {
      {"PN=EP 1\nTI=a\n\nPN=US 2\n", "PN=EP 1|TI=a / PN=US 2"},
      {"\n\n# lead\nPN=EP 1\n# inside\nAB=\n\n\n", "PN=EP 1|AB="},
      {"PN=EP 1\r\nTI=a=b\r\n", "PN=EP 1|TI=a=b"},
      {"AB=x\\ny\\\\z\\r\n", "AB=x\ny\\z\r"},
      {"PA=Holm & Sons\nPA=\xe9t\xe9\nPRD=20000101", "PA=Holm & Sons|PA=\xe9t\xe9|PRD=20000101"},
      {"", ""},
      {"PN=EP 1\n\nnot a field\n", "line 3: not a CODE=VALUE line"},  // no document kept
      {"pn=EP 1\n", "line 1: not a CODE=VALUE line"},
      {"1N=x\n", "line 1: not a CODE=VALUE line"},
      {"=x\n", "line 1: not a CODE=VALUE line"},
      {"AB=a\\tb\n", "line 1: a backslash must be followed by \\, n or r"},
      {"AB=a\\\n", "line 1: a backslash must be followed by \\, n or r"},
      {"FP=p.croft 297 210 0\n", "line 1: FP needs five words: FILE HEIGHT WIDTH X Y"},
      {"FP=p.croft 297  210 0 0\n", "line 1: FP needs five words: FILE HEIGHT WIDTH X Y"},
  };
  for (const auto& c : cases) {
    KtfDocumentReader reader;
    // A failure leaves no documents, so the error alone is shown.
    EXPECT_EQ(reader.Parse(c.text), std::string(c.documents).rfind("line", 0) != 0) << c.text;
    EXPECT_EQ(reader.error() + Show(reader), c.documents) << c.text;
  }
}

TEST(KtfDocumentReader, InsertsPagesAsImageParameters) {
  KtfDocumentReader reader;
  ASSERT_TRUE(reader.Parse("PN=EP 1\nFP=p1.croft 297 210 0 5\nTI=t\n"));
  SgmlConversion conversion;
  ASSERT_EQ(KtfDocumentReader::Insert(reader.documents()[0], conversion.converter), K2S_OK);
  EXPECT_EQ(conversion.Data(), "PN=EP 1|IMGID=p1.croft|IMGHE=297|IMGWI=210|IMGLX=0|IMGLY=5|TI=t");
  EXPECT_FALSE(reader.ReadFile(conversion.dir.File("missing.ktf").c_str()));
  EXPECT_NE(reader.error().find("cannot open"), std::string::npos);
}

}  // namespace
