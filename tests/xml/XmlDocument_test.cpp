#include "xml/XmlDocument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/common/TempDir.h"

namespace {

// The text of the first match of `path` ("kept" when nothing matches), or "thrown: " and the
// message of the failure that the query threw.
std::string Query(const std::string& xml, const std::string& path) {
  CString text(xml), query(path), result("kept");
  try {
    XmlDocument document(text);
    document.GetNodeText(query, result);
  } catch (const _com_error& error) {
    return "thrown: " + error.ErrorMessage().str();
  }
  return result.str();
}

const char kAnswer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<authentication><authenticated>true</authenticated>"
    "<user name=\"smith\"><first>Jo</first><!--note--><last>Smith</last></user>"
    "<flag>1</flag><flag>2</flag></authentication>";

TEST(XmlDocument, AnswersTheFirstMatchKeepsTheOutputWithoutOneAndThrowsOnBadInput) {
  const char* badText = "thrown: Invalid pointer";    // E_POINTER: the text did not parse
  const char* badPath = "thrown: Unspecified error";  // E_FAIL: malformed, or not a node set
  const std::string cases[][3] = {
      {kAnswer, "/authentication/authenticated", "true"},
      {kAnswer, "authenticated", "true"},                // relative to the document element
      {kAnswer, "/authentication/user", "JonoteSmith"},  // descendants' text joined
      {kAnswer, "user/@name", "smith"},
      {kAnswer, "flag", "1"},  // first in document order
      {kAnswer, "/authentication/missing", "kept"},
      {"", "/a", badText},
      {"<a><b></a>", "/a", badText},
      {"<a/><b/>", "/a", badText},
      {kAnswer, "/authentication[", badPath},
      {kAnswer, "count(/authentication)", badPath},
      {kAnswer, "x:y", badPath},
      // U+00E9 and U+20AC exist in Windows-1252, U+4E2D and U+1F600 do not.
      {"<a>&#xE9; &#x20AC; &#x4E2D; &#x1F600;</a>", "/a", "\xE9 \x80 ? ?"},
      // The input is code-page text as well, whatever its encoding declaration.
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>caf\xE9</a>", "/a", "caf\xE9"},
  };
  for (const auto& [xml, path, expected] : cases) {
    EXPECT_EQ(Query(xml, path), expected) << xml << " " << path;
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
    nested += "<!ENTITY e" + std::to_string(i) + " \"";
    for (int copy = 0; copy < 10; ++copy) nested += "&e" + std::to_string(i - 1) + ";";
    nested += "\">";
  }
  for (const std::string& xml : {
           "<!DOCTYPE a [<!ENTITY leak SYSTEM \"file://" + secret + "\">]><a>[&leak;]</a>",
           "<!DOCTYPE a SYSTEM \"file://" + dtd + "\"><a>[&leak;]</a>",
           "<!DOCTYPE a [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><a>[&leak;]</a>",
           nested + "]><a>[&e12;]</a>",
       }) {
    // Refused, or read with the reference left empty.
    EXPECT_THAT(Query(xml, "/a"), testing::AnyOf("[]", "thrown: Invalid pointer")) << xml;
  }
}

TEST(ComError, MessageNamesTheFailure) {
  EXPECT_EQ(_com_error(E_POINTER).ErrorMessage(), "Invalid pointer");
  EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80040205)).ErrorMessage(), "IDispatch error #5");
  EXPECT_EQ(_com_error(static_cast<HRESULT>(0x80991234)).ErrorMessage(),
            "Unknown error 0x80991234");
}

}  // namespace
