#include "session/LineEncoding.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// The accented letters the translator takes in a word, as code page 850
// bytes: they pass as they are.
constexpr std::u32string_view kTranslatorLetters =
    U"\u00e4\u00e2\u00f6\u00f4\u00e9\u00e8"
    U"\u00ea\u00fb\u00fc\u00e7\u00e0\u00f9";

// Latin-1 letters the search server finds under their base letter, since it
// ignores diacritics (each is a base letter with a combining mark).
struct BaseLetter {
  char32_t base;
  std::u32string_view accented;
};
constexpr BaseLetter kBaseLetters[] = {
    {U'a', U"\u00e0\u00e1\u00e2\u00e3\u00e4\u00e5"},
    {U'c', U"\u00e7"},
    {U'e', U"\u00e8\u00e9\u00ea\u00eb"},
    {U'i', U"\u00ec\u00ed\u00ee\u00ef"},
    {U'n', U"\u00f1"},
    {U'o', U"\u00f2\u00f3\u00f4\u00f5\u00f6"},
    {U'u', U"\u00f9\u00fa\u00fb\u00fc"},
    {U'y', U"\u00fd\u00ff"},
};

// Letters the server matches only as themselves (no decomposition; the
// micro sign it takes as the Greek letter): the translator gets its
// one-letter wildcard in their place.
constexpr std::u32string_view kOwnLetters =
    U"\u00e6\u00f8\u00df\u00f0\u00fe\u0131\u00b5\u00aa\u00ba\u0192";
constexpr char32_t kAnyLetter = U'?';

constexpr std::string_view kAsciiCodesets[] = {"ANSI_X3.4-1968", "ASCII", "US-ASCII"};

// The lower case of a Latin-1 capital (À..Þ but ×).
char32_t Lower(char32_t c) { return c >= 0xC0 && c <= 0xDE && c != 0xD7 ? c + 0x20 : c; }

// The base letter of an accented Latin-1 letter, in the case typed (the
// server ignores it, the user reads it); the letter itself when it has none.
char32_t Base(char32_t typed) {
  const char32_t lower = Lower(typed);
  for (const BaseLetter& letter : kBaseLetters) {
    if (letter.accented.find(lower) != std::u32string_view::npos) {
      return lower == typed ? letter.base : letter.base - (U'a' - U'A');
    }
  }
  return typed;
}

char32_t Folded(char32_t typed) {
  const char32_t lower = Lower(typed);
  if (kTranslatorLetters.find(lower) != std::u32string_view::npos) return lower;
  if (kOwnLetters.find(lower) != std::u32string_view::npos) return kAnyLetter;
  return Base(typed);
}

bool InWord(char32_t c) {
  return c >= 0x80 || (c < 0x80 && std::isalnum(static_cast<int>(c))) || c == U'?' || c == U'#' ||
         c == U'+' || c == U'"';
}

// A server may compare a word with truncation inside ("j?rgensen") with its
// index words, kept without accents, without taking the accents off the
// word itself: in such a word every accented letter goes to its base letter,
// which such a server and one that folds the word both find. A "+" at the word's end is a prefix search, which the server folds.
void FoldTruncatedWords(std::u32string& line) {
  for (size_t start = 0; start < line.size();) {
    size_t end = start;
    while (end < line.size() && InWord(line[end])) ++end;
    const std::u32string_view word(line.data() + start, end - start);
    const size_t plus = word.find(U'+');
    if (word.find_first_of(U"?#") != std::u32string_view::npos ||
        (plus != std::u32string_view::npos && plus + 1 < word.size() && word[plus + 1] != U'+')) {
      for (size_t i = start; i < end; ++i) line[i] = Base(line[i]);
    }
    start = end + 1;
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character of well-formed UTF-8 at `at` (moved past it); false, `at`
// unchanged, for a byte that starts none.
bool NextCharacter(std::string_view text, size_t& at, char32_t& c) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead < 0x80    ? 1
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC2 ? 2
                                       : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return false;
  c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return false;
    c = (c << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  at += length;
  return true;
}

// Where `text` stops being well-formed UTF-8; its size when it never does.
size_t FirstBadByte(std::string_view text) {
  char32_t c = 0;
  size_t at = 0;
  while (at < text.size() && NextCharacter(text, at, c)) {
  }
  return at;
}

bool WellFormed(std::string_view text) { return FirstBadByte(text) == text.size(); }

std::string Named(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  std::string named = "'";
  AppendUtf8(named, c);
  return named + "' (" + code + ")";
}

std::string NotText(std::string_view text, size_t at, const std::string& codeset) {
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[at]));
  return "byte " + std::string(byte) + " at column " + std::to_string(at + 1) + " is not " +
         codeset + " text";
}

// What folding changed, each change once: "searched as the server matches
// them: å as a, ø as ? (any one letter)"; empty when only case changed.
std::string Changes(const std::u32string& typed, const std::u32string& folded) {
  std::vector<std::pair<char32_t, char32_t>> changes;
  for (size_t i = 0; i < typed.size(); ++i) {
    const std::pair change(typed[i], folded[i]);
    if (folded[i] != typed[i] && folded[i] != Lower(typed[i]) &&
        std::find(changes.begin(), changes.end(), change) == changes.end()) {
      changes.push_back(change);
    }
  }
  std::string said;
  for (const auto& [from, to] : changes) {
    said += said.empty() ? "searched as the server matches them: " : ", ";
    AppendUtf8(said, from);
    said += " as ";
    AppendUtf8(said, to);
    if (to == kAnyLetter) said += " (any one letter)";
  }
  return said;
}

bool IsUtf8Codeset(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name == "UTF-8" || name == "UTF8";
}

}  // namespace

LineEncoding::LineEncoding(const std::string& codeset)
    : codeset_(codeset.empty() ? EnvironmentCodeset() : codeset),
      passesBytes_(std::find(std::begin(kAsciiCodesets), std::end(kAsciiCodesets), codeset_) !=
                   std::end(kAsciiCodesets)),
      toTranslator_("UTF-8", "CP850"),
      fromTranslator_("CP850", "UTF-8"),
      toServer_("UTF-8", "WINDOWS-1252") {
  if (!passesBytes_ && !IsUtf8Codeset(codeset_)) {
    fromUser_ = std::make_unique<CodePageConverter>(codeset_, "UTF-8");
    toUser_ = std::make_unique<CodePageConverter>("UTF-8", codeset_);
  }
}

LineEncoding::~LineEncoding() = default;

std::string LineEncoding::EnvironmentCodeset() {
  const locale_t environment = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (environment == static_cast<locale_t>(nullptr)) return std::string(kAsciiCodesets[0]);
  std::string codeset = ::nl_langinfo_l(CODESET, environment);
  ::freelocale(environment);
  return codeset;
}

LineEncoding::Line LineEncoding::ForTranslator(const std::string& typed) const {
  Line line;
  if (passesBytes_ && !WellFormed(typed)) {
    line.passed = true;
    line.translator = line.utf8 = typed;
    return line;
  }
  line.utf8 = typed;
  if (fromUser_) {
    CodePageConverter::Result converted = fromUser_->Convert(typed);
    if (!converted.whole()) {
      line.refusal = NotText(typed, converted.stopped, codeset_);
      return line;
    }
    line.utf8 = std::move(converted.text);
  }
  std::u32string typed32;
  for (size_t at = 0; at < line.utf8.size();) {
    char32_t c = 0;
    if (!NextCharacter(line.utf8, at, c)) {
      line.refusal = NotText(line.utf8, at, "UTF-8");
      return line;
    }
    typed32 += c;
  }
  std::u32string folded32;
  for (const char32_t c : typed32) folded32 += Folded(c);
  FoldTruncatedWords(folded32);
  for (size_t i = 0; i < typed32.size(); ++i) {
    std::string character;
    AppendUtf8(character, folded32[i]);
    const CodePageConverter::Result byte = toTranslator_.Convert(character);
    if (!byte.whole()) {
      line.refusal = Named(typed32[i]) + " cannot be searched: code page 850 has no such character";
      return line;
    }
    line.translator += byte.text;
  }
  line.folded = Changes(typed32, folded32);
  return line;
}

std::optional<std::string> LineEncoding::FromUser(const std::string& typed,
                                                   std::string& refusal) const {
  if (!fromUser_) {
    const size_t bad = FirstBadByte(typed);
    if (bad == typed.size() || passesBytes_) return typed;
    refusal = NotText(typed, bad, "UTF-8");
    return std::nullopt;
  }
  CodePageConverter::Result converted = fromUser_->Convert(typed);
  if (converted.whole()) return std::move(converted.text);
  refusal = NotText(typed, converted.stopped, codeset_);
  return std::nullopt;
}

std::string LineEncoding::FromTranslator(const std::string& text) const {
  return fromTranslator_.Convert(text).text;
}

std::optional<std::string> LineEncoding::ForServer(const std::string& utf8,
                                                   std::string& refusal) const {
  if (passesBytes_ && !WellFormed(utf8)) return utf8;
  CodePageConverter::Result converted = toServer_.Convert(utf8);
  if (converted.whole()) return std::move(converted.text);
  size_t at = converted.stopped;
  char32_t c = 0;
  refusal = NextCharacter(utf8, at, c)
                ? Named(c) +
                      " cannot be sent: the server's code page windows-1252 has no such "
                      "character"
                : NotText(utf8, converted.stopped, "UTF-8");
  return std::nullopt;
}

std::string LineEncoding::ForUser(const std::string& utf8) const {
  if (!toUser_) return utf8;
  std::string shown;
  for (std::string_view rest = utf8; !rest.empty();) {
    const CodePageConverter::Result converted = toUser_->Convert(rest);
    shown += converted.text;
    if (converted.whole()) break;
    shown += '?';
    size_t at = converted.stopped;
    char32_t c = 0;
    if (!NextCharacter(rest, at, c)) at = converted.stopped + 1;
    rest.remove_prefix(at);
  }
  return shown;
}
