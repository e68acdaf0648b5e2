#include "support/clSuperStyleSheetManager.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/MessageBox.h"
#include "tests/common/ScopedHandler.h"
#include "tests/common/TempDir.h"

namespace {

class StyleSheets : public ::testing::Test {
 protected:
  std::string Sheet(const std::string& keys) {
    WriteBytes(dir_.File("super.ini"), "[STYLE_SHEET]\r\n" + keys);
    return dir_.File("super.ini");
  }

  TempDir dir_;
  std::vector<std::string> shown_;
  ScopedHandler<MessageBoxHandler> recorder_{SetMessageBoxHandler,
                                             [this](const char* text, unsigned) {
                                               shown_.emplace_back(text);
                                               return IDOK;
                                             }};
};

const char kData[] = "<doc><lang value=\"FR\">EN text</lang></doc>";

TEST_F(StyleSheets, FirstCandidateWhoseConditionOccursWins) {
  struct Case {
    const char* keys;      // the super style sheet's keys
    const char* expected;  // chosen style sheet, or "" for none
  };
  const Case cases[] = {
      // The whole data is searched.
      {"CONDITION=NOTICE\r\nSTYLE_SHEET1=a.xsl\r\nCONDITION1=EN text\r\n", "a.xsl"},
      // The begin tag only: text of the content does not match.
      {"CONDITION=TAG\r\nTAG_BEGIN=<lang\r\nPOSITION_INFO=PARAMETER\r\n"
       "STYLE_SHEET1=en.xsl\r\nCONDITION1=EN\r\nSTYLE_SHEET2=fr.xsl\r\nCONDITION2=FR\r\n",
       "fr.xsl"},
      // The element's content only: the attribute does not match.
      {"CONDITION=TAG\r\nTAG_BEGIN=<lang\r\nTAG_END=</lang>\r\nPOSITION_INFO=CONTENT\r\n"
       "STYLE_SHEET1=fr.xsl\r\nCONDITION1=FR\r\nSTYLE_SHEET2=en.xsl\r\nCONDITION2=EN\r\n",
       "en.xsl"},
      // Two matches: the lower number wins; an empty condition is a default.
      {"CONDITION=NOTICE\r\nSTYLE_SHEET1=one\r\nCONDITION1=doc\r\nSTYLE_SHEET2=two\r\n"
       "CONDITION2=doc\r\n",
       "one"},
      {"CONDITION=NOTICE\r\nSTYLE_SHEET1=one\r\nCONDITION1=zzz\r\nSTYLE_SHEET2=default\r\n",
       "default"},
      // A gap ends the list.
      {"CONDITION=NOTICE\r\nSTYLE_SHEET1=one\r\nCONDITION1=zzz\r\nSTYLE_SHEET3=three\r\n", ""},
  };
  const std::vector<std::string> notFound = {
      std::string("Impossible to find the information in data : ") + kData};
  for (const Case& c : cases) {
    shown_.clear();
    const bool chosen = *c.expected;
    CString result = "unchanged";
    EXPECT_EQ(clSuperStyleSheetManager(Sheet(c.keys).c_str()).mGetBINStyleSheetToUse(kData, result),
              chosen ? 1 : 0)
        << c.keys;
    EXPECT_EQ(result, chosen ? c.expected : "unchanged") << c.keys;
    EXPECT_EQ(shown_, chosen ? std::vector<std::string>{} : notFound) << c.keys;
  }
}

TEST_F(StyleSheets, ConditionNeedsBothKeys) {
  CString condition, position;
  clSuperStyleSheetManager good(Sheet("CONDITION=TAG\r\nPOSITION_INFO=PARAMETER\r\n").c_str());
  EXPECT_EQ(good.mGetCondition(condition, position), 1);
  EXPECT_EQ(condition, "TAG");
  EXPECT_EQ(position, "PARAMETER");
  const std::string missing = dir_.File("none.ini");
  clSuperStyleSheetManager bad(missing.c_str());
  EXPECT_EQ(bad.mGetCondition(condition, position), 0);
  EXPECT_EQ(shown_, std::vector<std::string>{"Format Error in Super style sheet: " + missing});
}

}  // namespace
