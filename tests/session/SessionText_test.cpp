// The text lines' forms: a line made printable, lists quoted as the JSON
// lines quote them, and the server's windows-1252 text as UTF-8.
#include "session/SessionText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/Windows1252.h"

namespace {

TEST(SessionText, PrintableHidesControlBytesAndCutsLongLines) {
  EXPECT_EQ(Printable("a\tb\x7f"
                      "c\x01"),
            "a?b?c?");
  EXPECT_EQ(Printable("caf\xc3\xa9"), "caf\xc3\xa9");
  const std::string cut = Printable(std::string(250, 'x'));
  EXPECT_EQ(cut, std::string(100, 'x') + "... (250 characters)");
  EXPECT_EQ(Printable(std::string(100, 'y')), std::string(100, 'y'));
}

TEST(SessionText, NumbersAreListedInBrackets) {
  EXPECT_EQ(ListText(std::vector<int>{}), "[]");
  EXPECT_EQ(ListText(std::vector<int>{40, -1, 7}), "[40,-1,7]");
}

TEST(SessionText, StringsAreQuotedAndBrokenUtf8Replaced) {
  EXPECT_EQ(ListText(std::vector<std::string>{"EP 1 A1", "b.css"}), "[\"EP 1 A1\",\"b.css\"]");
  EXPECT_EQ(ListText(std::vector<std::string>{"q\"\\\n\x01"}), "[\"q\\\"\\\\\\n\\u0001\"]");
  EXPECT_EQ(ListText(std::vector<std::string>{"caf\xc3\xa9 \xff"}),
            "[\"caf\xc3\xa9 \xef\xbf\xbd\"]");
}

TEST(Windows1252, ServerTextBecomesUtf8WithNothingLost) {
  const struct {
    std::string server;
    std::string utf8;
  } kCases[] = {
      {"plain ASCII\n", "plain ASCII\n"},
      {"Gr\xfc\xdf"
       "e \x80 5",
       "Gr\xc3\xbc\xc3\x9f"
       "e \xe2\x82\xac 5"},
      {"\x93quoted\x94 \x85", "\xe2\x80\x9cquoted\xe2\x80\x9d \xe2\x80\xa6"},
      {"\xff\xa0\xc0", "\xc3\xbf\xc2\xa0\xc3\x80"},
      // The undefined bytes, first, between and last: each its C1 control.
      {"\x81"
       "a\x8d\x8f\x90"
       "b\x9d",
       "\xc2\x81"
       "a\xc2\x8d\xc2\x8f\xc2\x90"
       "b\xc2\x9d"},
      {std::string("nul\0\xe9", 5), std::string("nul\0\xc3\xa9", 6)},
  };
  for (const auto& known : kCases) {
    EXPECT_EQ(Windows1252ToUtf8(known.server), known.utf8) << known.server;
  }
}

}  // namespace
