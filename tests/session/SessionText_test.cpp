// The text lines' forms: a line made printable, and lists quoted as the
// JSON lines quote them.
#include "session/SessionText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  EXPECT_EQ(ListText(std::vector<std::string>{"caf\xc3\xa9 \xff"}), "[\"caf\xc3\xa9 \xef\xbf\xbd\"]");
}

}  // namespace
