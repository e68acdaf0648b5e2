#include "platform/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CString, SubstringsClampToTheString) {
  const CString s = "abcdef";
  EXPECT_EQ(s.Mid(2, 2), "cd");
  EXPECT_EQ(s.Mid(4, 100), "ef");
  EXPECT_EQ(s.Mid(-3, 2), "ab");
  EXPECT_EQ(s.Mid(10), "");
  EXPECT_EQ(s.Left(-1), "");
  EXPECT_EQ(s.Left(99), "abcdef");
  EXPECT_EQ(s.Right(2), "ef");
  EXPECT_EQ(s.Right(99), "abcdef");
}

TEST(CString, FindAnswersMinusOneWhenAbsent) {
  const CString s = "a=b=c";
  EXPECT_EQ(s.Find('='), 1);
  EXPECT_EQ(s.Find('=', 2), 3);
  EXPECT_EQ(s.Find('=', 4), -1);
  EXPECT_EQ(s.Find('x'), -1);
  EXPECT_EQ(s.Find("b=c"), 2);
  EXPECT_EQ(s.Find("zz"), -1);
  EXPECT_EQ(s.Find('=', 99), -1);
  EXPECT_EQ(s.ReverseFind('='), 3);
}

TEST(CString, KeepsEmbeddedNulBytes) {
  CString s("a\0b", 3);
  EXPECT_EQ(s.GetLength(), 3);
  s += CString("\0c", 2);
  EXPECT_EQ(s.GetLength(), 5);
  EXPECT_EQ(s.str(), std::string("a\0b\0c", 5));
  EXPECT_EQ(s.Find('c'), 4);
}

TEST(CString, ReplaceCountsAndDoesNotRescanReplacement) {
  CString s = "aaa";
  EXPECT_EQ(s.Replace("a", "aa"), 3);
  EXPECT_EQ(s, "aaaaaa");
  EXPECT_EQ(s.Replace("", "x"), 0);
  EXPECT_EQ(s.Replace('a', 'b'), 6);
  EXPECT_EQ(s.Remove('b'), 6);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, CaseAndTrimTouchOnlyAscii) {
  CString s = " \tMixed \xE9t\xC9\r\n";
  s.Trim();
  EXPECT_EQ(s, "Mixed \xE9t\xC9");
  EXPECT_EQ(CString(s).MakeUpper(), "MIXED \xE9T\xC9");
  EXPECT_EQ(CString(s).MakeLower(), "mixed \xE9t\xC9");
  EXPECT_EQ(CString("xxabxx").Trim('x'), "ab");
  EXPECT_EQ(CString("--ab").TrimLeft("-"), "ab");
  EXPECT_EQ(CString("   ").Trim(), "");
  EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
  EXPECT_LT(CString("abc").CompareNoCase("abd"), 0);
}

TEST(CString, FormatHandlesLongResults) {
  CString s;
  s.Format("%s-%05d", std::string(5000, 'x').c_str(), 42);
  EXPECT_EQ(s.GetLength(), 5006);
  EXPECT_EQ(s.Right(6), "-00042");
  s.AppendFormat("%c", '!');
  EXPECT_EQ(s.Right(1), "!");
}

TEST(CString, InsertAndDeleteClamp) {
  CString s = "ace";
  s.Insert(1, 'b');
  s.Insert(99, "fg");
  EXPECT_EQ(s, "abcefg");
  s.Delete(3, 99);
  EXPECT_EQ(s, "abc");
  s.Delete(10);
  EXPECT_EQ(s, "abc");
}

TEST(CString, BufferRoundTrip) {
  CString s;
  char* buffer = s.GetBuffer(16);
  std::snprintf(buffer, 17, "%s", "hello");
  s.ReleaseBuffer();
  EXPECT_EQ(s, "hello");
  EXPECT_EQ(s.GetLength(), 5);
}

}  // namespace
