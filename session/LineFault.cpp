#include "session/LineFault.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_MODE.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

// The words of `line`: offset and length of each.
std::vector<std::pair<size_t, size_t>> Words(const std::string& line) {
  std::vector<std::pair<size_t, size_t>> words;
  for (size_t i = 0; i < line.size();) {
    if (Blank(line[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < line.size() && !Blank(line[i])) ++i;
    words.emplace_back(start, i - start);
  }
  return words;
}

bool Translates(const std::string& text, const VERGER_CONFIG& config) {
  VERGER_MODE mode;
  VERGER_CONFIG criteria(config);
  KTF_COMMAND command;
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return mode.command(buffer.data(), &criteria, command) == SYNTAX_OK;
}

// Some ending makes `prefix` a valid line.
bool CanEnd(const std::string& prefix, const VERGER_CONFIG& config) {
  const long open =
      std::count(prefix.begin(), prefix.end(), '(') - std::count(prefix.begin(), prefix.end(), ')');
  const std::string closing(static_cast<size_t>(std::max(0L, open)), ')');
  for (const char* ending : {"", " x", " 1"}) {
    const std::string ended = prefix + ending;
    if (Translates(ended, config) || (open > 0 && Translates(ended + " " + closing, config))) {
      return true;
    }
  }
  return false;
}

}  // namespace

LineFault LineFault::Locate(const std::string& line, const VERGER_CONFIG& config) {
  const auto words = Words(line);
  // The first word count whose prefix cannot end well, searched by halves:
  // a prefix nothing rescues stays so when words are added.
  size_t good = 0, bad = words.size() + 1;
  while (bad - good > 1) {
    const size_t middle = good + (bad - good) / 2;
    const auto& [start, length] = words[middle - 1];
    (CanEnd(line.substr(0, start + length), config) ? good : bad) = middle;
  }
  LineFault fault;
  fault.column = line.size();
  if (bad <= words.size()) {
    fault.column = words[bad - 1].first;
    fault.word = line.substr(words[bad - 1].first, words[bad - 1].second);
  }
  return fault;
}
