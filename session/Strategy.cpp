#include "session/Strategy.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace {

constexpr const char* kHeader =
    "# sorrel search strategy: the set each question made, the fields of its bare words, "
    "the question as typed\n";
constexpr size_t kMostDigits = 9;  // a set number, as SessionSets reads it

// True when `c` may stand next to a set reference: the token's edge.
bool Edge(char c) { return c == ' ' || c == ',' || c == '(' || c == ')'; }

// Calls `reference(start, end, number)` for each set reference "$N" of `line`
// ([start, end) covers the mark and the digits): a whole token, as the
// translator reads one, never a "$" inside a word.
template <typename Visit>
void EachReference(const std::string& line, Visit reference) {
  for (size_t at = line.find('$'); at != std::string::npos; at = line.find('$', at + 1)) {
    size_t end = at + 1;
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    const bool token = (at == 0 || Edge(line[at - 1])) && (end == line.size() || Edge(line[end]));
    if (end > at + 1 && end - at - 1 <= kMostDigits && token) {
      reference(at, end, std::atoi(line.substr(at + 1, end - at - 1).c_str()));
    }
  }
}

}  // namespace

std::string Strategy::Text() const {
  std::string text = kHeader;
  for (const Question& question : questions) {
    text += "$" + std::to_string(question.set) + "\t" +
            (question.defaults ? *question.defaults + "\t" : "") + question.line + "\n";
  }
  return text;
}

bool Strategy::Parse(const std::string& text, Strategy& strategy, std::string& problem) {
  strategy.questions.clear();
  size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    char* after = nullptr;
    const long set = line[0] == '$' ? std::strtol(line.c_str() + 1, &after, 10) : 0;
    if (tab == std::string::npos || set < 1 || after != line.c_str() + tab ||
        tab + 1 == line.size()) {
      problem = "line " + std::to_string(number) + " is not \"$N<tab>question\"";
      return false;
    }
    Question question{static_cast<int>(set), line.substr(tab + 1), std::nullopt};
    // A second tab ends the criteria; a question itself holds no tab.
    const size_t second = question.line.find('\t');
    if (second != std::string::npos) {
      question.defaults = question.line.substr(0, second);
      question.line.erase(0, second + 1);
    }
    if (question.line.empty()) {
      problem = "line " + std::to_string(number) + " has no question";
      return false;
    }
    strategy.questions.push_back(std::move(question));
  }
  return true;
}

std::string Strategy::Renumber(const std::string& line, const std::map<int, int>& renumbered,
                               std::vector<int>& unmapped) {
  std::string out;
  size_t copied = 0;
  EachReference(line, [&](size_t start, size_t end, int number) {
    const auto found = renumbered.find(number);
    if (found == renumbered.end()) {
      unmapped.push_back(number);
      return;
    }
    out += line.substr(copied, start - copied) + "$" + std::to_string(found->second);
    copied = end;
  });
  return out + line.substr(copied);
}

std::vector<int> Strategy::References(const std::string& line) {
  std::vector<int> numbers;
  EachReference(line, [&](size_t, size_t, int number) { numbers.push_back(number); });
  return numbers;
}
