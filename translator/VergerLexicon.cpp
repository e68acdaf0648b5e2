#include "translator/VergerLexicon.h"

#include <algorithm>
#include <cctype>

#include "translator/VergerTables.h"

namespace verger_lexicon {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

template <std::size_t N>
bool isOneOf(std::string_view token, const std::array<std::string_view, N>& words) {
  return std::find(words.begin(), words.end(), token) != words.end();
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
  const unsigned char u = static_cast<unsigned char>(c);
  if (isDigit(c) || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')) return true;
  return c != '\0' && verger_tables::kExtraWordCharacters.find(c) != std::string_view::npos;
}

bool isTermText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return isWordCharacter(c) ||
           (c != '\0' && verger_tables::kTruncationCharacters.find(c) != std::string_view::npos);
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
