#include "session/QuestionNotices.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

// The language's word operators.
constexpr std::array<std::string_view, 5> kOperators = {"AND", "OR", "NOT", "ANDNOT", "ORNOT"};

// Operators of other command languages, and what this one writes instead.
struct Foreign {
  std::string_view word;
  std::string_view instead;
};
constexpr std::array<Foreign, 5> kForeign = {{
    {"NEAR", "nW or nD (solar 3D cell)"},
    {"ADJ", "W (solar W cell)"},
    {"WITH", "S (same sentence) or P (same field)"},
    {"SAME", "P (same field)"},
    {"XOR", "(a OR b) NOT (a AND b)"},
}};

std::string Upper(std::string word) {
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return word;
}

// The operator `word` (upper-cased) is a slip of: a letter typed twice
// (ANDD, ORR) or two neighbours swapped (ADN); "" when none.
std::string_view SlipOf(const std::string& word) {
  for (const std::string_view op : kOperators) {
    if (word.size() == op.size() + 1) {
      for (size_t i = 0; i + 1 < word.size(); ++i) {
        if (word[i] == word[i + 1] && word.substr(0, i) + word.substr(i + 1) == op) return op;
      }
    }
    if (word.size() == op.size() && word != op) {
      for (size_t i = 0; i + 1 < word.size(); ++i) {
        std::string swapped = word;
        std::swap(swapped[i], swapped[i + 1]);
        if (swapped == op) return op;
      }
    }
  }
  return "";
}

// The words of a question: runs of letters.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : line + " ") {
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  return words;
}

}  // namespace

std::vector<std::string> QuestionNotices::Check(const std::string& line, const std::string& before,
                                                const std::string& after) {
  std::vector<std::string> notices;
  if (before != after) {
    notices.push_back("bare words now search " + (after.empty() ? std::string("no field") : after));
  }
  const size_t start = line.rfind("..", 0) == 0 ? line.find(' ') : 0;
  for (const std::string& word : Words(start == std::string::npos ? "" : line.substr(start))) {
    const std::string upper = Upper(word);
    const std::string_view slip = SlipOf(upper);
    // Another language's operators are flagged when written in capitals, as
    // operators are; in lower case they are ordinary words ("near").
    const auto foreign = std::find_if(kForeign.begin(), kForeign.end(),
                                      [&](const Foreign& f) { return word == f.word; });
    if ((slip.empty() && foreign == kForeign.end()) || !flagged_.insert(upper).second) continue;
    notices.push_back("\"" + word + "\" is searched as a word" +
                      (slip.empty() ? "; this language writes " + std::string(foreign->instead)
                                    : "; did you mean the operator " + std::string(slip) + "?"));
  }
  return notices;
}
