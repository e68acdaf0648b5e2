// The text lines' forms: a line made printable, and lists quoted as the
// JSON lines quote them, checked against nlohmann::json on every kind of
// byte sequence, broken UTF-8 included.
#include "session/SessionText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace {

std::string AsJson(const std::vector<std::string>& texts) {
  return nlohmann::json(texts).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

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

TEST(SessionText, QuotedListsReadAsJsonDoesThem) {
  const std::vector<std::string> kTricky = {
      "",
      "EP 1 A1",
      "quote \" and \\ back",
      std::string("\b\f\n\r\t\x01\x1f\x7f", 8),
      std::string("nul \0 inside", 12),
      "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
      "\xff lone \x80 continuation",
      "\xc3 cut, then \xe2\x82",
      "\xe0\x80\x80 overlong, \xed\xa0\x80 surrogate, \xf4\x90\x80\x80 too high",
      "\xf0\x9f\x98",
      "\xc2",
  };
  for (const std::string& text : kTricky) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ListText(std::vector<std::string>{text}), AsJson({text}));
  }
  EXPECT_EQ(ListText(kTricky), AsJson(kTricky));

  // Random bytes, weighted toward the bytes that start and continue UTF-8.
  std::mt19937 random(22);
  const std::string alphabet =
      "a\"\\\n\x01\x7f\x80\xbf\xc2\xdf\xe0\xed\xef\xf0\xf4\xf5\xff\xa0\x9f";
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 12, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    ASSERT_EQ(ListText(std::vector<std::string>{text}), AsJson({text})) << round;
  }
}

}  // namespace
