#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/translator/VergerSession.h"

namespace {

std::vector<int32_t> printed(const KTF_COMMAND& cmd) {
  return std::vector<int32_t>(cmd.print_list, cmd.print_list + cmd.print_count);
}

TEST(VergerCommand, RecognisesWordsAndReportsCodes) {
  struct Case {
    const char* line;
    VERGER_ERROR code;
    VERGER_COMMAND_TYPE type;
  };
  const Case cases[] = {
      {"..st", SYNTAX_OK, CMD_STOP},  // short spelling, any case
      {"..STOP X", ARGUMENTS_NOT_SUPPORTED, CMD_STOP},
      {"..STOP END X", BAD_NUMBER_OF_ARGUMENTS, CMD_STOP},
      {"..fi", BAD_NUMBER_OF_ARGUMENTS, CMD_FILE},  // FILE needs two arguments
      {"..I", UNKNOWN_KEYWORD, CMD_NONE},
      {"..IN", UNKNOWN_KEYWORD, CMD_NONE},
      {"..", UNKNOWN_KEYWORD, CMD_NONE},  // no word at all
      {"..ind", SYNTAX_OK, CMD_INDEX},    // the INDEX row has no closing dash
      {"..HI", SYNTAX_OK, CMD_HISTORY},
      {"..HI 2", BAD_NUMBER_OF_ARGUMENTS, CMD_HISTORY},
      {"..info", SYNTAX_OK, CMD_INFORMATION},
      {"..FIELDS", SYNTAX_OK, CMD_FIELDS},
      {"..SAVE", BAD_NUMBER_OF_ARGUMENTS, CMD_SAVE},
      {"..BR 12 13", BAD_NUMBER_OF_ARGUMENTS, CMD_BROWSE},
      {"..BR x", INCORRECT_ARGUMENT_VALUE, CMD_BROWSE},
      {"..HE a b", BAD_NUMBER_OF_ARGUMENTS, CMD_HELP},
      {"..FI f.txt Sv", ARGUMENTS_NOT_SUPPORTED, CMD_FILE},  // mixed case is not a keyword
      {"..KEEP", BAD_NUMBER_OF_ARGUMENTS, CMD_KEEP},
      {"..EX FROM", ARGUMENTS_MISSING, CMD_EXECUTE},
      {"..EX 3 FROM", ARGUMENTS_MISSING, CMD_EXECUTE},  // FROM itself is not the name
      {"..EX 3 X", ARGUMENTS_NOT_SUPPORTED, CMD_EXECUTE},
      {"..EX abc", INCORRECT_ARGUMENT_VALUE, CMD_EXECUTE},
      {"..EX 1 2 3 4 5", BAD_NUMBER_OF_ARGUMENTS, CMD_EXECUTE},
      {"..EX FROM X Y", BAD_NUMBER_OF_ARGUMENTS, CMD_EXECUTE},  // nothing may follow the name
      {"..SE", INCORRECT_SYNTAX, CMD_SEARCH},                   // no blank: no expression
      {"..SE a OR", INCORRECT_SYNTAX, CMD_SEARCH},
  };
  for (const Case& c : cases) {
    VergerSession session;
    EXPECT_EQ(session.run(c.line), c.code) << c.line;
    EXPECT_EQ(session.cmd.type, c.type) << c.line;
  }
}

TEST(VergerCommand, UnofferedCommandsFailAndLeaveTheRecord) {
  VergerSession session;
  ASSERT_EQ(session.run("..HI"), SYNTAX_OK);
  for (const char* line : {"..UPDATE", "..LIST", "..SORT"}) {
    EXPECT_EQ(session.run(line), INTERNAL_ERROR) << line;
    EXPECT_EQ(session.cmd.type, CMD_HISTORY) << line;
  }
}

TEST(VergerCommand, StoresArgumentsOfEachKind) {
  VergerSession session;
  KTF_COMMAND& cmd = session.cmd;
  ASSERT_EQ(session.run("..STOP END"), SYNTAX_OK);
  EXPECT_EQ(cmd.stop_save, 0);
  ASSERT_EQ(session.run("..STOP sv"), SYNTAX_OK);
  EXPECT_EQ(cmd.stop_save, 1);
  ASSERT_EQ(session.run("..FI results.txt BEGIN"), SYNTAX_OK);
  EXPECT_STREQ(cmd.file_name, "results.txt");
  EXPECT_EQ(cmd.file_mode, 2);
  ASSERT_EQ(session.run("..SAVE SE"), SYNTAX_OK);  // the last word is the name
  EXPECT_EQ(cmd.save_se, 1);
  EXPECT_STREQ(cmd.save_name, "SE");
  ASSERT_EQ(session.run("..SV q1 mine"), SYNTAX_OK);
  EXPECT_EQ(cmd.save_se, 0);
  EXPECT_STREQ(cmd.save_name, "mine");
  ASSERT_EQ(session.run("..BR"), SYNTAX_OK);
  EXPECT_EQ(cmd.browse_number, -1);
  ASSERT_EQ(session.run("..BR 42"), SYNTAX_OK);
  EXPECT_EQ(cmd.browse_number, 42);
  ASSERT_EQ(session.run("..EX"), SYNTAX_OK);
  EXPECT_EQ(cmd.exec_from, 1);
  ASSERT_EQ(session.run("..EX 3"), SYNTAX_OK);
  EXPECT_EQ(cmd.exec_from, 3);
  EXPECT_STREQ(cmd.exec_name, "");
  ASSERT_EQ(session.run("..EX FROM X"), SYNTAX_OK);
  EXPECT_EQ(cmd.exec_from, 1);
  EXPECT_STREQ(cmd.exec_name, "X");
  ASSERT_EQ(session.run("..EX 3 from Y"), SYNTAX_OK);
  EXPECT_EQ(cmd.exec_from, 3);
  EXPECT_STREQ(cmd.exec_name, "Y");
  ASSERT_EQ(session.run("..ER ALL"), SYNTAX_OK);
  EXPECT_EQ(cmd.erase_mode, 1);
  ASSERT_EQ(session.run("..ER sszero"), SYNTAX_OK);
  EXPECT_EQ(cmd.erase_mode, 0);
  ASSERT_EQ(session.run("..ER"), SYNTAX_OK);
  EXPECT_EQ(cmd.erase_mode, 2);
  EXPECT_EQ(cmd.erase_count, 0);
}

TEST(VergerCommand, OwnedStringsAreReplacedAndFreed) {
  VergerSession session;
  KTF_COMMAND& cmd = session.cmd;
  ASSERT_EQ(session.run("..IND /TI ABC"), SYNTAX_OK);
  EXPECT_STREQ(cmd.index_field, "TI");
  EXPECT_STREQ(cmd.index_term, "ABC");
  KTF_COMMAND copy = cmd;  // owns its own strings
  ASSERT_EQ(session.run("..IND"), SYNTAX_OK);
  EXPECT_EQ(cmd.index_field, nullptr);
  EXPECT_EQ(cmd.index_term, nullptr);
  EXPECT_STREQ(copy.index_field, "TI");
  ASSERT_EQ(session.run("..HELP PRINT"), SYNTAX_OK);
  EXPECT_STREQ(cmd.help_topic, "PRINT");
  ASSERT_EQ(session.run("..HE"), SYNTAX_OK);
  EXPECT_EQ(cmd.help_topic, nullptr);
}

TEST(VergerCommand, PrintRangeExpandsInclusive) {
  VergerSession session;
  ASSERT_EQ(session.run("..PR 1,3-5 7"), SYNTAX_OK);
  EXPECT_EQ(printed(session.cmd), (std::vector<int32_t>{1, 3, 4, 5, 7}));
  ASSERT_EQ(session.run("..PR"), SYNTAX_OK);
  EXPECT_EQ(session.cmd.print_count, 0);
  ASSERT_EQ(session.run("..KE 9"), SYNTAX_OK);  // all lists share one array
  EXPECT_EQ(session.cmd.keep_count, 1);
  EXPECT_EQ(session.cmd.print_list[0], 9);
}

TEST(VergerCommand, BadNumberListsGiveIncorrectArgumentValue) {
  const char* lines[] = {
      "..PR 5-3",         // descending range
      "..PR 2-",          // open range
      "..PR -2-3",        // negative start
      "..PR 3-5x",        // trailing text after a range
      "..PR x",           // not a number
      "..ER 1 2x",        // one bad word spoils the list
      "..KE 2147483648",  // beyond a 32-bit long
      "..BR 99999999999",
  };
  for (const char* line : lines) {
    VergerSession session;
    session.cmd.print_count = 77;
    EXPECT_EQ(session.run(line), INCORRECT_ARGUMENT_VALUE) << line;
    EXPECT_EQ(session.cmd.print_count, 77) << line;  // the count keeps its earlier value
  }
}

TEST(VergerCommand, NumberListHoldsTenThousandValues) {
  VergerSession session;
  ASSERT_EQ(session.run("..PR 1-10000"), SYNTAX_OK);
  EXPECT_EQ(session.cmd.print_count, 10000);
  EXPECT_EQ(session.cmd.print_list[9999], 10000);
  EXPECT_EQ(session.run("..PR 0-10000"), INTERNAL_ERROR);
  EXPECT_EQ(session.run("..PR 1-9999 1 2"), INTERNAL_ERROR);
  EXPECT_EQ(session.run("..PR 0-2147483647"), INTERNAL_ERROR);
  std::string manyWords = "..PR";
  for (int i = 0; i < 20000; ++i) manyWords += " 7";
  EXPECT_EQ(session.run(manyWords), INTERNAL_ERROR);
  EXPECT_EQ(session.cmd.print_count, 10000);
}

TEST(VergerCommand, OverlongWordsAreRefusedWithoutOverrun) {
  const std::string w127(127, 'n'), w128(128, 'n'), w1024(1024, '1');
  struct Case {
    std::string line;
    VERGER_ERROR code;
  };
  const Case cases[] = {
      {".." + std::string(253, 'S'), UNKNOWN_KEYWORD},  // longest word: looked up, unknown
      {".." + std::string(254, 'S'), UNKNOWN_KEYWORD},  // too long to look up
      {"..FI " + w127 + " SV", SYNTAX_OK},
      {"..FI " + w128 + " SV", INCORRECT_ARGUMENT_VALUE},
      {"..SAVE " + w128, INCORRECT_ARGUMENT_VALUE},
      {"..EX FROM " + w128, INCORRECT_ARGUMENT_VALUE},
      {"..IND /" + std::string(1022, 'F'), SYNTAX_OK},  // 1,023 characters fit
      {"..IND /" + std::string(1023, 'F'), INCORRECT_ARGUMENT_VALUE},
      {"..HE " + std::string(1024, 'h'), INCORRECT_ARGUMENT_VALUE},
      {"..PR " + w1024, INCORRECT_ARGUMENT_VALUE},
      {"..STOP " + w1024, ARGUMENTS_NOT_SUPPORTED},  // not a keyword either way
  };
  for (const Case& c : cases) {
    VergerSession session;
    EXPECT_EQ(session.run(c.line), c.code) << c.line.substr(0, 20);
  }
}

TEST(VergerCommand, MessagesMatchTheirCodes) {
  VERGER_MODE mode;
  EXPECT_STREQ(mode.geterrormsg(SYNTAX_OK), "Syntax OK");
  EXPECT_STREQ(mode.geterrormsg(ARGUMENTS_MISSING), "Argument(s) missing");
  EXPECT_STREQ(mode.geterrormsg(BAD_NUMBER_OF_ARGUMENTS), "Bad number of argument(s)");
  EXPECT_STREQ(mode.geterrormsg(static_cast<VERGER_ERROR>(16)), "Internal error");
  EXPECT_STREQ(mode.geterrormsg(static_cast<VERGER_ERROR>(-1)), "Internal error");
}

}  // namespace
