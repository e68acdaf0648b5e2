#include "translator/VergerLexicon.h"

#include <algorithm>
#include <cctype>

#include "translator/VergerTables.h"

namespace verger_lexicon {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

// A word list with what settles most lookups without comparing: the longest
// word and the bytes that words begin with.
template <std::size_t N>
class WordSet {
 public:
  constexpr explicit WordSet(const std::array<std::string_view, N>& words) : words_(words) {
    for (std::string_view word : words) {
      starts_[static_cast<unsigned char>(word[0])] = true;
      if (word.size() > longest_) longest_ = word.size();
    }
  }

  bool contains(std::string_view token) const {
    if (token.empty() || token.size() > longest_ ||
        !starts_[static_cast<unsigned char>(token[0])]) {
      return false;
    }
    // The words are a few bytes long: comparing in place beats a library call.
    for (std::string_view word : words_) {
      if (word.size() != token.size()) continue;
      std::size_t i = 0;
      while (i < word.size() && word[i] == token[i]) ++i;
      if (i == word.size()) return true;
    }
    return false;
  }

 private:
  std::array<std::string_view, N> words_;
  std::array<bool, 256> starts_{};
  std::size_t longest_ = 0;
};

constexpr WordSet kOperatorSet(verger_tables::kOperatorWords);
constexpr WordSet kBooleanSet(verger_tables::kBooleanWords);
constexpr WordSet kParagraphSet(verger_tables::kParagraphWords);
constexpr WordSet kPresenceSet(verger_tables::kPresenceWords);

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

bool isTermText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), isTermCharacter);
}

bool isOperatorWord(std::string_view token) { return kOperatorSet.contains(token); }

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

bool isBooleanWord(std::string_view token) { return kBooleanSet.contains(token); }

bool isProximityLike(std::string_view token) {
  return isProximityOperator(token) || kParagraphSet.contains(token);
}

bool isPresenceWord(std::string_view token) { return kPresenceSet.contains(token); }

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
