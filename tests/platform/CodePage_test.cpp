#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

// Restores Windows-1252 when a test that switched the code page ends.
struct CodePageGuard {
  ~CodePageGuard() { SetCodePage("WINDOWS-1252"); }
};

TEST(CodePage, Utf8ToWindows1252ReplacesWhatTheCodePageLacks) {
  struct Case {
    const char* utf8;
    const char* expected;
  } cases[] = {
      {"plain", "plain"},
      {"\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},  // U+00E9
      {"\xE2\x82\xAC", "\x80"},            // the euro sign sits at 0x80
      {"\xE4\xB8\xAD", "?"},               // U+4E2D is not in the code page
      {"\xF0\x9F\x98\x80", "?"},           // nor is U+1F600
      {"\xC3", "?"},                       // truncated sequence
      {"\xC0\xAF", "??"},                  // overlong form: two stray bytes
      {"\xED\xA0\x80", "???"},             // a surrogate is malformed
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCodePage(c.utf8), c.expected) << c.utf8;
}

TEST(CodePage, CodePageToUtf8MarksUndefinedBytes) {
  EXPECT_EQ(CodePageToUtf8("a\xE9\x80"), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(CodePageToUtf8("\x81"), "?");  // 0x81 is undefined in Windows-1252
}

TEST(CodePage, ClientChoosesAnotherCodePageByItsIconvName) {
  CodePageGuard guard;
  EXPECT_EQ(GetCodePage(), "WINDOWS-1252");
  EXPECT_FALSE(SetCodePage("NO-SUCH-CODEPAGE"));
  EXPECT_EQ(GetCodePage(), "WINDOWS-1252");
  ASSERT_TRUE(SetCodePage("ISO-8859-15"));
  EXPECT_EQ(Utf8ToCodePage("\xE2\x82\xAC"), "\xA4");  // the euro sign moves to 0xA4
  EXPECT_EQ(CodePageToUtf8("\xA4"), "\xE2\x82\xAC");
}

}  // namespace
