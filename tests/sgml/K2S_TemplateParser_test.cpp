// The template language, read through clKTF2SGML::fgKTF2SGML_RecoverTemplate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sgml/SgmlConversion.h"

namespace {

using namespace std::string_literals;

std::string Nest(int depth) {
  std::string text = "TEMPLATE ";
  for (int i = 0; i < depth; ++i) text += "{ ";
  text += "[(TI) NOT_EMPTY OFFSET=1 LENGTH=2 \"%s\"]";
  for (int i = 0; i < depth; ++i) text += " }";
  return text;
}

// A text's value, "-" for none.
std::string Text(const char* text) { return text != nullptr ? text : "-"; }

// An entry as "index level field leader exist notExist begin end format
// allowEmpty offset length".
std::string Describe(const tBlock& b) {
  std::string text = std::to_string(b.index) + " " + std::to_string(b.level);
  for (const char* part :
       {b.fieldName, b.leaderName, b.existName, b.notExistName, b.beginText, b.endText, b.format}) {
    text += " " + Text(part);
  }
  return text + " " + std::to_string(b.allowEmpty) + " " + std::to_string(b.offset) + " " +
         std::to_string(b.length);
}

// A rule as "field search replace newField cut1 cut2 cut3".
std::string Describe(const tReplaceText& r) {
  return Text(r.fieldName) + " " + Text(r.searchText) + " " + Text(r.replaceText) + " " +
         std::to_string(r.newField) + " " + Text(r.cutName1) + " " + Text(r.cutName2) + " " +
         Text(r.cutName3);
}

using Lines = std::vector<std::string>;

// Every element of a table described, or "null" for no table.
template <class T>
Lines Describe(const cl_Table<T>* table) {
  if (table == nullptr) return {"null"};
  Lines lines;
  for (uint32_t i = 0; i < table->GetCount(); ++i) lines.push_back(Describe(*table->GetAt(i)));
  return lines;
}

TEST(TemplateLanguage, AcceptsAndRefusesTemplatesAndReportsTheFirstErrorsLine) {
  const struct {
    std::string text;
    K2S_Return expected;
    int line = 0;                   // of the error, when given
    const char* message = nullptr;  // part of the error message
  } cases[] = {
      {"TEMPLATE [() \"%s\"]", K2S_OK},                                  // an empty NAME is valid
      {"TEMPLATE [(TI) LENGTH=2 OFFSET=1 \"%s\"]", K2S_TEMPLATE_ERROR},  // wrong order
      {"TEMPLATE { }", K2S_TEMPLATE_ERROR},                              // block without item
      {"TEMPLATE", K2S_TEMPLATE_ERROR},                                  // no item
      {"template [(TI) \"%s\"]", K2S_TEMPLATE_ERROR},                    // lower case keyword
      {"TEMPLATE [(TI) \"%s\"] & last line comment", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\"] & comment\n", K2S_OK},
      {"& lead\r\nTEMPLATE\t[(TI)\x1a\"%s\"]\n", K2S_OK},
      {"TEMPLATE [(TI) \"%s\"] \xe9", K2S_OK},                     // skipped outside strings
      {"TEMPLATE [(TI) \"%s\xe9\"]", K2S_TEMPLATE_ERROR},          // not inside one
      {"TEMPLATE [(TI) \"%s\"] & caf\xe9\n", K2S_TEMPLATE_ERROR},  // nor inside a comment
      {"TEMPLATE [(TI) \"%s\"]\0 garbage"s, K2S_OK},               // NUL ends the input
      {"TEMPLATE [(T I) \"%s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE\n[(TI) \"%s\"]\n[(AB) x \"%s\"]\n", K2S_TEMPLATE_ERROR, 3,
       "Syntax error at \"x\""},
      {"TEMPLATE [(TI) \"%s\"\n", K2S_TEMPLATE_ERROR, 2, "at the end of the template"},
      {"TEMPLATE [(TI) \"unterminated]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\"] REPLACE", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\"] REPLACE (PN) CUT \" \" (CC) END_CUT", K2S_TEMPLATE_ERROR},
      // Formats: exactly one %s.
      {"TEMPLATE [(TI) \"no value\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE\n[(TI)\n \"%d\"]", K2S_TEMPLATE_ERROR, 3, "exactly one %s"},
      {"TEMPLATE [(TI) \"%s%s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%d %s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%5s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s %\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"\\037s %n\"]", K2S_TEMPLATE_ERROR},  // an escaped % is still a %
      // Escapes: \n, or three digits up to 255.
      {"TEMPLATE [(TI) \"\\255%s\\n\"]", K2S_OK},
      {"TEMPLATE\n\n\n[(TI) \"\\256%s\"]", K2S_TEMPLATE_ERROR, 4, "backslash"},
      {"TEMPLATE [(TI) \"\\12%s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\\1a2\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\\\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\\t\"]", K2S_TEMPLATE_ERROR},
      // Empty search texts and separators.
      {"TEMPLATE [(TI) \"%s\"]\nREPLACE \"\" \"x\"\n", K2S_TEMPLATE_ERROR, 2, "must not be empty"},
      {"TEMPLATE [(TI) \"%s\"] REPLACE \"\\000\" \"x\"", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\"] REPLACE (AU) \"\" NEW_FIELD", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) \"%s\"] REPLACE (PN) CUT \"\" (A) (B) END_CUT", K2S_TEMPLATE_ERROR},
      // Token length: 100 characters, delimiters included.
      {"TEMPLATE [(TI) \"" + std::string(96, 'x') + "%s\"]", K2S_OK},
      {"TEMPLATE [(TI) \"" + std::string(97, 'x') + "%s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(" + std::string(98, 'N') + ") \"%s\"]", K2S_OK},
      {"TEMPLATE [(" + std::string(99, 'N') + ") \"%s\"]", K2S_TEMPLATE_ERROR},
      {"&" + std::string(98, 'c') + "\nTEMPLATE [(TI) \"%s\"]", K2S_OK},
      {"&" + std::string(99, 'c') + "\nTEMPLATE [(TI) \"%s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) OFFSET=" + std::string(100, '0') + " \"%s\"]", K2S_OK},
      {"TEMPLATE [(TI) OFFSET=" + std::string(101, '0') + " \"%s\"]", K2S_TEMPLATE_ERROR},
      {"TEMPLATE [(TI) OFFSET=2147483648 \"%s\"]", K2S_TEMPLATE_ERROR},
      // Nesting: 19 levels with the longest field inside fit; 20 do not.
      {Nest(19), K2S_OK},
      {Nest(20), K2S_TEMPLATE_ERROR},
      {Nest(200), K2S_TEMPLATE_ERROR},
  };
  for (const auto& c : cases) {
    SgmlConversion conversion;
    EXPECT_EQ(conversion.Load(c.text), c.expected) << c.text;
    const std::string error = conversion.converter.fgKTF2SGML_GetTemplateError();
    EXPECT_EQ(error.empty(), c.expected != K2S_TEMPLATE_ERROR) << c.text;
    if (c.line == 0) continue;
    EXPECT_EQ(conversion.converter.fgKTF2SGML_GetTemplateErrorLine(), c.line) << c.text;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(TemplateLanguage, BuildsEntriesAndRulesInDocumentOrder) {
  SgmlConversion conversion;
  ASSERT_EQ(conversion.Load("TEMPLATE\n"
                            "{ LEADER=(PA) FIELD_EXIST=(PN) FIELD_NOT_EXIST=(XX) \"<DOC>\"\n"
                            "  [(TI) \"<TI>%s</TI>\"]\n"
                            "  { [(AB) NOT_EMPTY OFFSET=2 LENGTH=3 \"\\038%s\\n\"] }\n"
                            "\"</DOC>\" }\n"
                            "REPLACE (TI) \"&\" \"&amp;\" \"<\" \"&lt;\" (AU) \";\" NEW_FIELD\n"
                            "(PN) CUT \" \" (CC) (NR) (KD) END_CUT\n"),
            K2S_OK);
  EXPECT_EQ(Describe(conversion.converter.fgKTF2SGML_GetBlocks()),
            (Lines{"0 1 - PA PN XX <DOC> </DOC> - 1 0 -1", "1 2 TI - - - - - <TI>%s</TI> 1 0 -1",
                   "2 2 - - - - - - - 1 0 -1", "3 3 AB - - - - - &%s\r\n 0 2 3"}));
  EXPECT_EQ(
      Describe(conversion.converter.fgKTF2SGML_GetRules()),
      (Lines{"TI & &amp; 0 - - -", "- < &lt; 0 - - -", "AU ; - 1 - - -", "PN   - 0 CC NR KD"}));
}

TEST(TemplateLanguage, AFailedReadLeavesNoTemplateAndTheNextStartsClean) {
  SgmlConversion conversion;
  ASSERT_EQ(conversion.Load("TEMPLATE { \"<A>\" [(TI) \"%s\"] \"</A>\" }"), K2S_OK);
  // Fails after two entries and a rule were built.
  EXPECT_EQ(conversion.Load("TEMPLATE {[(X) \"%s\"] [(Y) \"%s\"] } REPLACE \"a\" \"b\" \"\" \"c\""),
            K2S_TEMPLATE_ERROR);
  EXPECT_EQ(Describe(conversion.converter.fgKTF2SGML_GetBlocks()), Lines{});
  EXPECT_EQ(Describe(conversion.converter.fgKTF2SGML_GetRules()), Lines{});
  conversion.Insert("TI", "a");
  EXPECT_EQ(conversion.Build(), "<status 6>");  // no template
  ASSERT_EQ(conversion.Load("TEMPLATE [(TI) \"%s\"]"), K2S_OK);
  EXPECT_EQ(Describe(conversion.converter.fgKTF2SGML_GetBlocks()),
            Lines{"0 1 TI - - - - - %s 1 0 -1"});
}

}  // namespace
