#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "tests/common/TempDir.h"

namespace {

// The text of the first match of `path`, or `initial` when nothing matches.
CString Query(const std::string& xml, const std::string& path, const char* initial = "") {
  CString text(xml), query(path), result(initial);
  XmlDocument document(text);
  document.GetNodeText(query, result);
  return result;
}

HRESULT QueryFailure(const std::string& xml, const std::string& path) {
  try {
    Query(xml, path);
  } catch (const _com_error& error) {
    return error.Error();
  }
  return S_OK;
}

const char kAnswer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<authentication><authenticated>true</authenticated>"
    "<user name=\"smith\"><first>Jo</first><!--note--><last>Smith</last></user>"
    "<flag>1</flag><flag>2</flag></authentication>";

TEST(XmlDocument, AnswersTheTextOfTheFirstMatch) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/authentication/authenticated", "true"},  // absolute path
      {"authenticated", "true"},                  // relative to the document element
      {"/authentication/user", "JonoteSmith"},    // descendants' text concatenated
      {"user/@name", "smith"},                    // an attribute
      {"flag", "1"},                              // first in document order
      {"//last", "Smith"},
  };
  for (const Case& c : cases) EXPECT_EQ(Query(kAnswer, c.path), c.expected) << c.path;
}

TEST(XmlDocument, LeavesTheOutputAloneWhenNothingMatches) {
  EXPECT_EQ(Query(kAnswer, "/authentication/missing", "previous"), "previous");
  EXPECT_EQ(Query(kAnswer, "/other/authenticated", "kept"), "kept");
}

TEST(XmlDocument, TextThatDidNotParseThrowsEPointerOnEveryQuery) {
  for (const char* xml : {"", "not xml", "<a><b></a>", "<a/><b/>"}) {
    EXPECT_EQ(QueryFailure(xml, "/a"), E_POINTER) << xml;
  }
}

TEST(XmlDocument, MalformedOrNonNodePathThrowsEFail) {
  for (const char* path : {"/authentication[", "//", "count(/authentication)", "x:y"}) {
    EXPECT_EQ(QueryFailure(kAnswer, path), E_FAIL) << path;
  }
}

TEST(XmlDocument, TextComesBackInTheCodePageWithQuestionMarksForTheRest) {
  // U+00E9 and U+20AC exist in Windows-1252, U+4E2D and U+1F600 do not.
  EXPECT_EQ(Query("<a>&#xE9; &#x20AC; &#x4E2D; &#x1F600;</a>", "/a"), "\xE9 \x80 ? ?");
  // The input is code-page text as well: byte E9 is read as U+00E9, and an
  // encoding declaration does not change that.
  EXPECT_EQ(Query("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>caf\xE9</a>", "/a"), "caf\xE9");
}

TEST(XmlDocument, NeverReadsExternalEntitiesOrDtds) {
  TempDir folder;
  const std::string secret = folder.File("secret.txt");
  WriteBytes(secret, "SECRET-CONTENT");
  const std::string dtd = folder.File("evil.dtd");
  WriteBytes(dtd, "<!ENTITY leak SYSTEM \"file://" + secret + "\">");
  const std::string documents[] = {
      "<!DOCTYPE a [<!ENTITY leak SYSTEM \"file://" + secret + "\">]><a>x&leak;y</a>",
      "<!DOCTYPE a SYSTEM \"file://" + dtd + "\"><a>x&leak;y</a>",
      "<!DOCTYPE a [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><a>x&leak;y</a>",
  };
  for (const std::string& xml : documents) {
    CString text("unset");
    try {
      text = Query(xml, "/a", "unset");
    } catch (const _com_error&) {
      // Refusing the document altogether is just as safe.
    }
    EXPECT_EQ(std::string(text).find("SECRET"), std::string::npos) << xml;
  }
}

TEST(XmlDocument, DoesNotExpandNestedEntities) {
  std::string xml = "<!DOCTYPE a [<!ENTITY e0 \"lol\">";
  for (int i = 1; i <= 12; ++i) {
    const std::string previous = "&e" + std::to_string(i - 1) + ";";
    xml += "<!ENTITY e" + std::to_string(i) + " \"" + previous + previous + previous + previous +
           previous + previous + previous + previous + previous + previous + "\">";
  }
  xml += "]><a>[&e12;]</a>";
  // Either the parser refuses the document or the reference stays unexpanded.
  try {
    EXPECT_EQ(Query(xml, "/a"), "[]");
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), E_POINTER);
  }
}

TEST(ComError, MessageNamesTheFailure) {
  EXPECT_EQ(_com_error(E_POINTER).ErrorMessage(), "Invalid pointer");
  EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040205)).ErrorMessage(), "IDispatch error #5");
  EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80991234)).ErrorMessage(),
            "Unknown error 0x80991234");
}

}  // namespace
