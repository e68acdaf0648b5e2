#include "translator/VergerLexicon.h"

#include <algorithm>
#include <cctype>

#include "translator/VergerTables.h"

namespace verger_lexicon {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr unsigned char kWord = 1;        // may appear in a term
constexpr unsigned char kTruncation = 2;  // truncation or range character

// Class bits of every byte, built once from the character sets of the language.
constexpr std::array<unsigned char, 256> kCharacterClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = '0'; c <= '9'; ++c) classes[c] |= kWord;
  for (int c = 'a'; c <= 'z'; ++c) classes[c] |= kWord;
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] |= kWord;
  for (char c : verger_tables::kExtraWordCharacters)
    classes[static_cast<unsigned char>(c)] |= kWord;
  for (char c : verger_tables::kTruncationCharacters) {
    classes[static_cast<unsigned char>(c)] |= kTruncation;
  }
  return classes;
}();

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

// Word lists are short and their words shorter than most tokens, so the
// length and first byte settle almost every comparison.
template <std::size_t N>
bool isOneOf(std::string_view token, const std::array<std::string_view, N>& words) {
  if (token.empty()) return false;
  for (std::string_view word : words) {
    if (word.size() == token.size() && word[0] == token[0] && word == token) return true;
  }
  return false;
}

// Reads one "%d" conversion at `pos` as the C library scans it: blanks
// skipped, an optional sign, at least one digit.
bool scanNumber(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  const std::size_t first = pos;
  while (pos < text.size() && isDigit(text[pos])) ++pos;
  return pos > first;
}

// Three numbers separated by "-" at the start of the text ("%d-%d-%d"); what
// follows them does not matter.
bool isDate(std::string_view text) {
  std::size_t pos = 0;
  for (int field = 0; field < 3; ++field) {
    if (field > 0) {
      if (pos >= text.size() || text[pos] != '-') return false;
      ++pos;
    }
    if (!scanNumber(text, pos)) return false;
  }
  return true;
}

}  // namespace

bool isWordCharacter(char c) {
  return (kCharacterClasses[static_cast<unsigned char>(c)] & kWord) != 0;
}

bool isTermText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (kCharacterClasses[static_cast<unsigned char>(c)] & (kWord | kTruncation)) != 0;
  });
}

bool isOperatorWord(std::string_view token) {
  return isOneOf(token, verger_tables::kOperatorWords);
}

bool isProximityOperator(std::string_view token) {
  std::size_t i = 0;
  const bool opened = i < token.size() && token[i] == '(';
  if (opened) ++i;
  if (i < token.size() && token[i] == '=') ++i;
  if (i < token.size() && token[i] == '+') ++i;
  while (i < token.size() && isDigit(token[i])) ++i;
  if (i >= token.size()) return false;
  const char letter = token[i++];
  if (letter != 'W' && letter != 'D' && letter != 'w' && letter != 'd') return false;
  if (i == token.size()) return !opened;
  return token[i] == ')' && i + 1 == token.size();
}

bool isBooleanWord(std::string_view token) { return isOneOf(token, verger_tables::kBooleanWords); }

bool isProximityLike(std::string_view token) {
  return isProximityOperator(token) || isOneOf(token, verger_tables::kParagraphWords);
}

bool isPresenceWord(std::string_view token) {
  return isOneOf(token, verger_tables::kPresenceWords);
}

bool isComparisonValue(std::string_view token) {
  // Every comparison value begins with a sign, or is a presence word ("YES").
  if (token.empty() || (token[0] != '<' && token[0] != '=' && token[0] != '>' && token[0] != 'Y')) {
    return false;
  }
  if (isPresenceWord(token)) return true;
  if (token.size() > kMaxComparisonValue) return false;
  const auto sign =
      std::find_if(verger_tables::kComparisonSigns.begin(), verger_tables::kComparisonSigns.end(),
                   [token](std::string_view s) { return token.substr(0, s.size()) == s; });
  if (sign == verger_tables::kComparisonSigns.end()) return false;
  const std::string_view rest = token.substr(sign->size());
  const std::size_t colon = rest.find(':');
  const std::string_view head = rest.substr(0, colon);
  if (!allDigits(head) && !isDate(head)) return false;
  return colon == std::string_view::npos || isTermText(rest.substr(colon));
}

bool isSetReference(std::string_view token) {
  return !token.empty() && token[0] == verger_tables::kSetReferenceMark &&
         allDigits(token.substr(1));
}

}  // namespace verger_lexicon
