#include "support/StringUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(StringUtilControlCharacters, CodesOneToThirtyGoInRisingOrderCodesThirtyOneAnd127Stay) {
  // Octal escapes: a hex escape would swallow the letter after it.
  const CString text = "a\1b\36c\37d\177e\t";
  EXPECT_EQ(StringUtil::removeControlCharacters(text), "abc\37d\177e");
  EXPECT_EQ(StringUtil::replaceControlCharacters(text), "a b c\37d\177e ");
  EXPECT_EQ(StringUtil::replaceControlCharacters(text, "."), "a.b.c\37d\177e.");
  // Passes run from code 1 upwards: the \x05 that the pass for \x02 brings in
  // is replaced again in pass 5, the \x01 it brings in is not.
  EXPECT_EQ(StringUtil::replaceControlCharacters("\x02|\x10", "[\x01\x05]"),
            "[\x01[\x01\x05]]|[\x01\x05]");
}

TEST(StringUtilReplaceCharacters, LaterTargetsSeeEarlierResults) {
  CStringList targets;
  targets.AddTail("a");
  targets.AddTail("bb");
  EXPECT_EQ(StringUtil::replaceCharacters("ab-b", targets, "b"), "b-b");
  EXPECT_EQ(StringUtil::replaceCharacters("aab", targets, "b"), "bb");
}

TEST(StringUtilStringToBoolean, AcceptsOnlyTheFiveWordsInAnyCase) {
  for (const char* yes : {"yes", "YES", "1", "true", "TRUE", "t", "T", "y", "Y"}) {
    EXPECT_TRUE(StringUtil::StringToBoolean(yes)) << yes;
  }
  for (const char* no : {"", "on", "0", "no", "false", "yes ", " 1", "tru"}) {
    EXPECT_FALSE(StringUtil::StringToBoolean(no)) << no;
  }
}

TEST(StringUtilIsInteger, DigitsOnlyWithoutSignOrBlanks) {
  for (const char* yes : {"0", "007", "123456789012345678901234567890"}) {
    EXPECT_TRUE(StringUtil::IsInteger(yes)) << yes;
  }
  for (const char* no : {"", "-1", "+1", " 1", "1 ", "1.0", "\xB9"}) {
    EXPECT_FALSE(StringUtil::IsInteger(no)) << no;
  }
}

}  // namespace
