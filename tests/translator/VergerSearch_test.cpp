#include <gtest/gtest.h>

#include <string>

#include "tests/translator/VergerSession.h"

namespace {

std::string repeatTokens(const char* token, int count) {
  std::string line;
  for (int i = 0; i < count; ++i) line += (i == 0 ? "" : " ") + std::string(token);
  return line;
}

// The examples of the expression language, in one session: the default
// criteria and the leading operator carry over from line to line.
TEST(VergerTranslation, WorkedExamplesInOneSession) {
  VergerSession session;
  const struct {
    const char* line;
    const char* ktf;
  } steps[] = {
      {"a OR b", "TI AB=a OR TI AB=b"},
      {"a b", "TI AB=a OR b"},  // only the first term gets the defaults
      {"(a OR b)/TI AND c", "TI=(a OR b) AND TI AB=c"},
      {"a 5W b", "TI AB=a +5W b"},
      {"AND a b", "TI AB=a AND b"},
      {"x y", "TI AB=x AND y"},  // the leading AND stays the implicit operator
      {"(a/TI)", "(TI=a)"},      // ")" right after a criterion forgets it
      {"x y", "TI AB=x OR y"},
      {"/PD >=2000 AND a", "PD>=2000 AND PD=a"},
      {"a", "PD=a"},  // the leading criterion became the default
      {"/AB YES", "PRESENCE=AB"},
      {"a", "AB=a"},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(session.translate(step.line), step.ktf) << step.line;
    EXPECT_EQ(session.cmd.type, CMD_SEARCH) << step.line;
  }
}

TEST(VergerTranslation, DefaultCriteriaFollowBracketsAndOperators) {
  const struct {
    const char* line;
    const char* ktf;
  } cases[] = {
      {"a", "TI AB=a"},
      {"(a OR b) AND c", "(a OR b) AND TI AB=c"},  // an opening group gets no defaults
      {"c AND (a OR b)", "TI AB=c AND (TI AB=a OR TI AB=b)"},
      {"$3 AND a", "$3 AND TI AB=a"},           // a set reference takes none
      {"a W (b OR c)", "TI AB=a +W (b OR c)"},  // nor a group after a proximity operator
      {"a L b", "TI AB=a /P b"},                // L is the paragraph operator
      {"a s b", "TI AB=a /S b"},
      {"a (3d) b", "TI AB=a /3W b"},
      {"a =2D b", "TI AB=a /=2W b"},
      {"a and b c", "TI AB=a AND TI AB=b and c"},  // the implicit operator is kept as typed
      {"a:b", "TI AB=[a,b]"},
      {"COMPUT+", "TI AB=COMPUT*"},
      {"a/TI OR b", "TI=a OR TI AB=b"},
      {"/TI (a OR b)", "TI=(a OR b)"},
      {"/PD <1990-05-01", "PD<1990-05-01"},
      {"/PD =1990:2000", "PD[=1990,2000]"},
      {"a\nb", "TI AB=ab"},  // a line feed joins the words around it
      {"a,b", "TI AB=a OR b"},
      {"..SE a OR b", "TI AB=a OR TI AB=b"},  // the text from the first blank
  };
  for (const auto& c : cases) {
    VergerSession session;
    EXPECT_EQ(session.translate(c.line), c.ktf) << c.line;
  }
}

TEST(VergerTranslation, CriterionAfterAnOperatorTermChangesTheDefaults) {
  VergerSession session;
  EXPECT_EQ(session.translate("x OR a/PD"), "TI AB=x OR PD=a");
  EXPECT_EQ(session.translate("b"), "PD=b");
}

TEST(VergerTranslation, WithoutDefaultCriteriaATermGetsOnlyTheSign) {
  VERGER_CONFIG config;
  VERGER_MODE mode;
  KTF_COMMAND cmd;
  std::string line = "a";
  ASSERT_EQ(mode.command(line.data(), &config, cmd), SYNTAX_OK);
  EXPECT_STREQ(cmd.expression, "=a");
}

TEST(VergerTranslation, UnsupportedProximityFamilyIsRefused) {
  VergerSession session;
  EXPECT_EQ(session.run("a NOTP b"), COMMAND_NOT_SUPPORTED);
  EXPECT_EQ(session.run("a nots b"), COMMAND_NOT_SUPPORTED);
}

TEST(VergerSyntax, AcceptsAndRejectsExpressions) {
  const struct {
    const char* line;
    VERGER_ERROR code;
  } cases[] = {
      {"", INCORRECT_SYNTAX},  // the end is not allowed at the start
      {"   ", INCORRECT_SYNTAX},
      {"(a OR b)", SYNTAX_OK},
      {"NOT a", SYNTAX_OK},
      {"a b", SYNTAX_OK},
      {"a OR", INCORRECT_SYNTAX},
      {"OR", INCORRECT_SYNTAX},
      {"(a", INCORRECT_SYNTAX},  // unclosed
      {"a)", INCORRECT_SYNTAX},  // closes below depth 0
      {"a/TI", SYNTAX_OK},
      {"a/ti", SYNTAX_OK},  // criteria are upper-cased before the lookup
      {"a/XX", INCORRECT_SYNTAX},
      {"/TI a", SYNTAX_OK},
      {"a OR /TI b", INCORRECT_SYNTAX},
      {"/PD >= 2000", SYNTAX_OK},  // the sign sticks to its value
      {"/PD =YES", SYNTAX_OK},
      {"/PD <>5", INCORRECT_SYNTAX},
      {"PD>=2000", INCORRECT_SYNTAX},
      {"AB?C OR $12", SYNTAX_OK},
      {"P", INCORRECT_SYNTAX},  // P, S, L and W alone are operators
      {"W", INCORRECT_SYNTAX},
      {"a (5W b", INCORRECT_SYNTAX},
      {"a-b", INCORRECT_SYNTAX},
      {"ÄRGER", INCORRECT_SYNTAX},  // UTF-8 bytes are not word characters
      {"\x84rger", SYNTAX_OK},      // code page 850 accented letters are
      {"..PR looks like a command", INCORRECT_ARGUMENT_VALUE},
      {"PR 1-5", INCORRECT_SYNTAX},  // without ".." it is an expression
  };
  for (const auto& c : cases) {
    VergerSession session;
    EXPECT_EQ(session.run(c.line), c.code) << c.line;
  }
}

TEST(VergerLimits, ExpressionOf510TokensIsTheLongest) {
  VergerSession session;
  EXPECT_EQ(session.run(repeatTokens("a", 510)), SYNTAX_OK);
  EXPECT_EQ(session.run(repeatTokens("a", 511)), INTERNAL_ERROR);
  EXPECT_EQ(session.run(repeatTokens("a", 2000)), INTERNAL_ERROR);
}

TEST(VergerLimits, OverlongExpressionsAreIncorrectSyntax) {
  const std::string many(4095, 'a');
  const struct {
    std::string line;
    VERGER_ERROR code;
  } cases[] = {
      {many, INCORRECT_SYNTAX},  // one term beyond 511 characters
      {std::string(511, 'a'), SYNTAX_OK},
      {many + "a", INCORRECT_SYNTAX},              // beyond the working copy
      {std::string(1400, '('), INCORRECT_SYNTAX},  // normalising would exceed 4,095
      {"(" + std::string(499, 'a') + ")", SYNTAX_OK},
      {"(" + std::string(500, 'a') + ")", INCORRECT_SYNTAX},  // bracket stretch beyond 500
      {"/PD >=" + std::string(253, '1'), SYNTAX_OK},          // comparison value of 255
      {"/PD >=" + std::string(254, '1'), INCORRECT_SYNTAX},
      {"(=+" + std::string(14, '1') + "W) a", SYNTAX_OK},  // leading operator of 19
      {"(=+" + std::string(15, '1') + "W) a", INCORRECT_SYNTAX},
      {repeatTokens("abcdefgh", 455), INCORRECT_SYNTAX},  // translation beyond 4,095
  };
  for (const auto& c : cases) {
    VergerSession session;
    EXPECT_EQ(session.run(c.line), c.code) << c.line.substr(0, 24) << " (" << c.line.size() << ")";
  }
}

TEST(VergerLimits, LongLeadingCriterionCannotOverflowTheDefaults) {
  VergerSession session;
  const std::string fits(127, 'K'), tooLong(128, 'K');
  session.add(fits, CRIT_KNOWN);
  session.add(tooLong, CRIT_KNOWN);
  EXPECT_EQ(session.run("/" + tooLong + " a"), INCORRECT_SYNTAX);
  EXPECT_EQ(session.translate("b"), "TI AB=b");
  EXPECT_EQ(session.translate("/" + fits + " a"), fits + "=a");
  EXPECT_EQ(session.translate("b"), fits + "=b");
}

TEST(VergerLimits, LeadingOperatorTooLongForTheCurrentOperatorIsRefused) {
  VergerSession session;
  // 17 characters fit the remembered leading operator but not the current one.
  ASSERT_EQ(session.run("(=+123456789012W) a"), SYNTAX_OK);
  EXPECT_EQ(session.run("a/TI AND b"), SYNTAX_OK);
  EXPECT_EQ(session.run("a/TI W b"), INCORRECT_SYNTAX);
}

}  // namespace
