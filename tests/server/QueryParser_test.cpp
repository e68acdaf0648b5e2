#include "server/QueryParser.h"

#include <gtest/gtest.h>

namespace {

TEST(QueryParser, ReadsTheTranslatorsFormsIntoOneTree) {
  struct Case {
    const char* question;
    const char* tree;
  } cases[] = {
      {"TI AB=a OR TI AB=b", "(TI AB=a OR TI AB=b)"},
      // A term without prefix takes the fields of the last prefix before it.
      {"TI AB=a OR b", "(TI AB=a OR TI AB=b)"},
      {"TI=(a OR b) AND TI AB=c", "((TI=a OR TI=b) AND TI AB=c)"},
      {"TI AB=a +5W b", "(TI AB=a +5W TI AB=b)"},
      {"a /=2W b", "(TI AB CL DE=a /=2W TI AB CL DE=b)"},
      {"TI=a /P b /S c", "((TI=a /P TI=b) /20W TI=c)"},
      // Proximity before AND before OR.
      {"a OR b AND c +W d",
       "(TI AB CL DE=a OR (TI AB CL DE=b AND (TI AB CL DE=c +0W TI AB CL DE=d)))"},
      {"PD>=2000 AND PD=a", "(PD=[20000101,4611686018427387903] AND PD=a)"},
      // Dates compare as numbers: before 19900501 is up to 19900500.
      {"PD<1990-05-01", "PD=[-4611686018427387904,19900500]"},
      {"PD=[1990,2000]", "PD=[19900101,20001231]"},
      {"PD=2001", "PD=[20010101,20011231]"},
      {"PD<>200103", "PD<>[20010301,20010331]"},
      {"PN>1000000", "PN=[1000001,4611686018427387903]"},
      {"PRESENCE=AB", "PRESENCE=AB"},
      {"$3 AND TI AB=battery", "($3 AND TI AB=battery)"},
      {"TI AB=COMPUT* ORNOT AB=\"gear\"", "(TI AB=comput* ORNOT AB=gear)"},
      {"NOT TI=a", "(ALL ANDNOT TI=a)"},
      {"a ANDNOT (b NOT c)", "(TI AB CL DE=a ANDNOT (TI AB CL DE=b ANDNOT TI AB CL DE=c))"},
  };
  for (const Case& c : cases) {
    QueryNode root;
    std::string error;
    ASSERT_TRUE(QueryParser::Parse(c.question, root, error)) << c.question << ": " << error;
    EXPECT_EQ(root.ToString(), c.tree) << c.question;
  }
}

TEST(QueryParser, NamesWhatIsWrongAndWhere) {
  struct Case {
    std::string question;
    const char* error;
  } cases[] = {
      {"", "the question is empty"},
      {"   ", "the question is empty"},
      {"TI AB=a OR", "column 11: the question ends where a term is expected"},
      {"(a OR b", "column 8: expected \")\""},
      {"a OR b)", "column 7: \")\" without \"(\""},
      {"a b", "column 3: expected an operator"},
      {"XX=a", "column 1: unknown field XX"},
      {"TI>=2000", "field TI holds text and cannot be compared"},
      {"PD=[1990]", "a range needs two values"},
      {"PD>=19x0", "\"19x0\" is not a date"},
      {"TI=[a,b", "range without \"]\""},
      {"a AND (b AND c) +3W d", "operands of a proximity operator must be words"},
      {"TI=*", "has no letters or digits"},
      {"TI=*abc", "cannot begin with truncation"},
      {"OR a", "operator OR where a term is expected"},
      {std::string(100, '(') + "a" + std::string(100, ')'), "brackets nested too deep"},
      {std::string(QueryParser::kMaxQuestionLength + 1, 'a'), "longer than 65536 bytes"},
      {std::string("TI=a\0b", 6), "NUL byte"},
  };
  for (const Case& c : cases) {
    QueryNode root;
    std::string error;
    EXPECT_FALSE(QueryParser::Parse(c.question, root, error)) << c.question;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.question.substr(0, 40) << ": " << error;
  }
}

}  // namespace
