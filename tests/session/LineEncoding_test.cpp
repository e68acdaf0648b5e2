// The session's conversions: every letter of code page 850 reaches the
// translator as a letter it takes, every character of windows-1252 goes to
// the server as its own byte, what no code page holds is refused by name,
// other locales convert and the C locale passes bytes.
#include "session/LineEncoding.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cwchar>
#include <cwctype>
#include <set>
#include <string>

#include "session/Windows1252.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

namespace {

// The translator's own verdict: "x" + `word` + "y" (code page 850) is one
// search term, carried into the expression as it is.
bool TranslatorTakes(const std::string& word) {
  VERGER_CONFIG config;
  VERGER_MODE mode;
  KTF_COMMAND command;
  std::string line = "x" + word + "y";
  std::string copy = line;
  if (mode.command(copy.data(), &config, command) != SYNTAX_OK || command.type != CMD_SEARCH) {
    return false;
  }
  return std::string(command.expression).find(line) != std::string::npos;
}

// The one character of UTF-8 `text`; WEOF when it holds another count.
wint_t OnlyCharacter(const std::string& text) {
  std::mbstate_t state{};
  wchar_t c = 0;
  const size_t length = std::mbrtowc(&c, text.data(), text.size(), &state);
  return length == text.size() ? static_cast<wint_t>(c) : WEOF;
}

class LineEncodingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    utf8_ = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8_ == static_cast<locale_t>(nullptr)) GTEST_SKIP() << "no C.UTF-8 locale";
    previous_ = ::uselocale(utf8_);
  }
  void TearDown() override {
    if (utf8_ == static_cast<locale_t>(nullptr)) return;
    ::uselocale(previous_);
    ::freelocale(utf8_);
  }
  locale_t utf8_ = static_cast<locale_t>(nullptr);
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

TEST_F(LineEncodingTest, EveryCodePage850LetterReachesTheTranslatorAsALetterItTakes) {
  const LineEncoding encoding("UTF-8");
  int kept = 0;
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string typed = encoding.FromTranslator(byte);
    const wint_t c = OnlyCharacter(typed);
    ASSERT_NE(c, WEOF) << "byte " << b;
    const LineEncoding::Line line = encoding.ForTranslator(typed);
    ASSERT_FALSE(line.refusal) << typed << ": " << *line.refusal;
    ASSERT_EQ(line.translator.size(), 1u) << typed;
    if (!std::iswalpha(c)) {
      EXPECT_EQ(line.translator, byte) << typed << " is no letter: it passes as it is";
    } else if (TranslatorTakes(byte)) {
      ++kept;
      EXPECT_EQ(line.translator, byte) << typed;
      EXPECT_EQ(line.folded, "") << typed;
    } else {
      EXPECT_TRUE(TranslatorTakes(line.translator)) << typed << " became " << line.translator;
      EXPECT_EQ(encoding.ForTranslator(encoding.FromTranslator(line.translator)).translator,
                line.translator)
          << typed << ": folding twice changes nothing";
    }
  }
  EXPECT_EQ(kept, 12) << "the translator's twelve accented letters pass unchanged";
}

TEST_F(LineEncodingTest, EveryWindows1252CharacterGoesToTheServerAsItsOwnByte) {
  const LineEncoding encoding("UTF-8");
  std::set<std::string> inCodePage850;
  for (int b = 0; b <= 0xFF; ++b) {
    inCodePage850.insert(encoding.FromTranslator(std::string(1, static_cast<char>(b))));
  }
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;  // undefined
    const std::string byte(1, static_cast<char>(b));
    const std::string typed = Windows1252ToUtf8(byte);
    std::string refusal;
    EXPECT_EQ(encoding.ForServer(typed, refusal), byte) << typed << ": " << refusal;
    const LineEncoding::Line line = encoding.ForTranslator(typed);
    EXPECT_EQ(!line.refusal, inCodePage850.count(typed) == 1) << typed;
    if (line.refusal) {
      EXPECT_NE(line.refusal->find("'" + typed + "'"), std::string::npos) << *line.refusal;
    } else if (std::iswalpha(OnlyCharacter(typed))) {
      EXPECT_TRUE(TranslatorTakes(line.translator)) << typed;
    }
  }
}

TEST_F(LineEncodingTest, WhatNoCodePageHoldsIsRefusedByName) {
  const LineEncoding encoding("UTF-8");
  const struct {
    std::string typed;
    std::string named;
  } kLines[] = {
      {"\xc5\x82/IN", "'\xc5\x82' (U+0142)"},
      {"a \xe2\x82\xac b", "'\xe2\x82\xac' (U+20AC)"},
      {"M\xfcller", "byte 0xFC at column 2 is not UTF-8"},
      {"a \xc3", "byte 0xC3 at column 3 is not UTF-8"},
  };
  for (const auto& known : kLines) {
    const LineEncoding::Line line = encoding.ForTranslator(known.typed);
    ASSERT_TRUE(line.refusal) << known.typed;
    EXPECT_NE(line.refusal->find(known.named), std::string::npos) << *line.refusal;
  }
  // A box-drawing character of code page 850 that windows-1252 lacks.
  std::string refusal;
  EXPECT_FALSE(encoding.ForServer("a \xe2\x94\x80", refusal));
  EXPECT_NE(refusal.find("'\xe2\x94\x80' (U+2500)"), std::string::npos) << refusal;
}

TEST_F(LineEncodingTest, FoldedLettersAreSaidOnceAndTruncatedWordsLoseTheirAccents) {
  const LineEncoding encoding("UTF-8");
  const struct {
    std::string typed;
    std::string translated;  // as UTF-8
    std::string said;        // part of the note; empty: none
  } kLines[] = {
      {"M\u00fcller/IN", "M\u00fcller/IN", ""},
      {"M\u00dcLLER", "M\u00fcLLER", ""},
      {"J\u00f8rgensen OR \u00f8", "J?rgensen OR ?", "\u00f8 as ? (any one letter)"},
      {"\u00c5se se\u00f1or", "Ase senor", "\u00c5 as A, \u00f1 as n"},
      {"Gr\u00f6\u00dfler", "Gro?ler", "\u00f6 as o, \u00df as ?"},
      {"m\u00fc?ler m\u00fcl+ m\u00fc+ller", "mu?ler m\u00fcl+ mu+ller", "\u00fc as u"},
  };
  for (const auto& known : kLines) {
    const LineEncoding::Line line = encoding.ForTranslator(known.typed);
    ASSERT_FALSE(line.refusal) << known.typed;
    EXPECT_EQ(encoding.FromTranslator(line.translator), known.translated);
    EXPECT_EQ(line.utf8, known.typed);
    if (known.said.empty()) {
      EXPECT_EQ(line.folded, "") << known.typed;
    } else {
      EXPECT_NE(line.folded.find(known.said), std::string::npos) << line.folded;
      EXPECT_EQ(line.folded.find(known.said), line.folded.rfind(known.said)) << "said once";
    }
  }
}

TEST(LineEncoding, ALatin1LocaleConvertsAndTheCLocalePassesBytes) {
  const LineEncoding latin1("ISO-8859-1");
  const LineEncoding::Line line = latin1.ForTranslator("M\xfcller \xe9t\xe9");
  ASSERT_FALSE(line.refusal);
  EXPECT_EQ(line.utf8, "M\u00fcller \u00e9t\u00e9");
  EXPECT_EQ(line.translator, "M\x81ller \x82t\x82");
  EXPECT_EQ(latin1.ForUser("M\u00fcller \u20ac 5"), "M\xfcller ? 5");

  // The C locale: UTF-8 is read as UTF-8, other bytes pass as they are.
  const LineEncoding c("ANSI_X3.4-1968");
  EXPECT_TRUE(c.passesBytes());
  const LineEncoding::Line utf8 = c.ForTranslator("M\u00fcller");
  EXPECT_FALSE(utf8.passed);
  EXPECT_EQ(utf8.translator, "M\x81ller");
  std::string refusal;
  EXPECT_EQ(c.ForServer("M\u00fcller", refusal), "M\xfcller");
  for (const std::string bytes : {"M\xfcller", "M\x81ller"}) {
    const LineEncoding::Line passed = c.ForTranslator(bytes);
    EXPECT_TRUE(passed.passed);
    EXPECT_FALSE(passed.refusal);
    EXPECT_EQ(passed.translator, bytes);
    EXPECT_EQ(passed.utf8, bytes);
    EXPECT_EQ(c.ForServer(bytes, refusal), bytes);
    EXPECT_EQ(c.ForUser(bytes), bytes);
  }
}

}  // namespace
