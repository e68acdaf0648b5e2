#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "tests/common/TempDir.h"

namespace {

// The text of the first match of `path` (`initial` when nothing matches), or
// the failure that the query threw.
struct Answer {
  std::string text;
  HRESULT failure = S_OK;
};

Answer Query(const std::string& xml, const std::string& path, const char* initial = "") {
  CString text(xml), query(path), result(initial);
  try {
    XmlDocument document(text);
    document.GetNodeText(query, result);
  } catch (const _com_error& error) {
    return {"", error.Error()};
  }
  return {result.str()};
}

const char kAnswer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<authentication><authenticated>true</authenticated>"
    "<user name=\"smith\"><first>Jo</first><!--note--><last>Smith</last></user>"
    "<flag>1</flag><flag>2</flag></authentication>";

TEST(XmlDocument, AnswersTheFirstMatchKeepsTheOutputWithoutOneAndThrowsOnBadInput) {
  struct Case {
    const char* xml;
    const char* path;
    const char* expected;
    HRESULT failure;
  } cases[] = {
      {kAnswer, "/authentication/authenticated", "true", S_OK},  // absolute path
      {kAnswer, "authenticated", "true", S_OK},                  // relative to the document element
      {kAnswer, "/authentication/user", "JonoteSmith", S_OK},    // descendants' text joined
      {kAnswer, "user/@name", "smith", S_OK},
      {kAnswer, "flag", "1", S_OK},  // first in document order
      {kAnswer, "//last", "Smith", S_OK},
      {kAnswer, "/authentication/missing", "kept", S_OK},
      {kAnswer, "/other/authenticated", "kept", S_OK},
      // Text that did not parse fails every query with E_POINTER.
      {"", "/a", "", E_POINTER},
      {"not xml", "/a", "", E_POINTER},
      {"<a><b></a>", "/a", "", E_POINTER},
      {"<a/><b/>", "/a", "", E_POINTER},
      // A malformed path, or one that does not select nodes, fails with E_FAIL.
      {kAnswer, "/authentication[", "", E_FAIL},
      {kAnswer, "//", "", E_FAIL},
      {kAnswer, "count(/authentication)", "", E_FAIL},
      {kAnswer, "x:y", "", E_FAIL},
      // U+00E9 and U+20AC exist in Windows-1252, U+4E2D and U+1F600 do not.
      {"<a>&#xE9; &#x20AC; &#x4E2D; &#x1F600;</a>", "/a", "\xE9 \x80 ? ?", S_OK},
      // The input is code-page text as well, whatever its encoding declaration.
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>caf\xE9</a>", "/a", "caf\xE9", S_OK},
  };
  for (const Case& c : cases) {
    const Answer answer = Query(c.xml, c.path, "kept");
    EXPECT_EQ(answer.failure, c.failure) << c.xml << " " << c.path;
    if (c.failure != S_OK) continue;
    EXPECT_EQ(answer.text, c.expected) << c.path;
  }
}

TEST(XmlDocument, NeverReadsExternalEntitiesOrDtdsNorExpandsNestedEntities) {
  TempDir folder;
  const std::string secret = folder.File("secret.txt");
  WriteBytes(secret, "SECRET-CONTENT");
  const std::string dtd = folder.File("evil.dtd");
  WriteBytes(dtd, "<!ENTITY leak SYSTEM \"file://" + secret + "\">");
  std::string nested = "<!DOCTYPE a [<!ENTITY e0 \"lol\">";
  for (int i = 1; i <= 12; ++i) {
    const std::string previous = "&e" + std::to_string(i - 1) + ";";
    std::string tenfold;
    for (int copy = 0; copy < 10; ++copy) tenfold += previous;
    nested += "<!ENTITY e" + std::to_string(i) + " \"" + tenfold + "\">";
  }
  // Each is either refused (E_POINTER) or read with the reference left empty.
  const std::string documents[] = {
      "<!DOCTYPE a [<!ENTITY leak SYSTEM \"file://" + secret + "\">]><a>[&leak;]</a>",
      "<!DOCTYPE a SYSTEM \"file://" + dtd + "\"><a>[&leak;]</a>",
      "<!DOCTYPE a [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><a>[&leak;]</a>",
      nested + "]><a>[&e12;]</a>",
  };
  for (const std::string& xml : documents) {
    const Answer answer = Query(xml, "/a");
    if (answer.failure != S_OK) {
      EXPECT_EQ(answer.failure, E_POINTER) << xml;
    } else {
      EXPECT_EQ(answer.text, "[]") << xml;
    }
  }
}

TEST(ComError, MessageNamesTheFailure) {
  EXPECT_EQ(_com_error(E_POINTER).ErrorMessage(), "Invalid pointer");
  EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040205)).ErrorMessage(), "IDispatch error #5");
  EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80991234)).ErrorMessage(),
            "Unknown error 0x80991234");
}

}  // namespace
