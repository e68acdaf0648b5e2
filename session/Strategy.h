#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// A search strategy: the questions of a session as typed, in order, each with
// the set it made and the default criteria in force when it was typed (the
// fields of its bare words: a question such as "/PD >=2000 AND a" changes
// them for the questions after it). Saved as readable text, one question a
// line, its fields separated by tabs:
//   # sorrel search strategy ...
//   $1	TI AB	solar AND panel
//   $3	PD	$1 AND garden/TI
// A line "$N<TAB>question" (no criteria) is read too: that question runs with
// the criteria in force. Plain data, no file of its own (StrategyStore).
struct Strategy {
  struct Question {
    int set = 0;                          // the set it made in the session that saved it
    std::string line;                     // as typed (a bare expression or "..SE ...")
    std::optional<std::string> defaults;  // the default criteria it was typed under
  };

  std::vector<Question> questions;

  // The text form above.
  std::string Text() const;
  // Reads the text form; false with `problem` (the line at fault) when a
  // line is neither a comment, blank, "$N<TAB>question" nor
  // "$N<TAB>criteria<TAB>question".
  static bool Parse(const std::string& text, Strategy& strategy, std::string& problem);

  // `line` with each set reference "$N" whose N `renumbered` maps replaced by
  // the mapped number. References it does not map go into `unmapped`.
  static std::string Renumber(const std::string& line, const std::map<int, int>& renumbered,
                              std::vector<int>& unmapped);
  // The set numbers that `line` refers to, in order.
  static std::vector<int> References(const std::string& line);
};
