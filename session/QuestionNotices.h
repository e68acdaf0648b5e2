#pragma once

#include <set>
#include <string>
#include <vector>

// What a search line changed without saying so, or what in it looks like a
// mistake, told to the user as notices. A line that leaves new default
// criteria ("/PD >=2000 AND a" makes PD the field of bare words, as the
// language wants) gets "bare words now search PD"; a word that looks like a
// mistyped operator (ANDD, ADN, ORR) or an operator of another command
// language (NEAR, ADJ, WITH, SAME, XOR where this one has nW and AND) is
// searched as the word it is, and flagged the first time it comes in the
// session.
class QuestionNotices {
 public:
  // The notices of search `line`, translated while the default criteria went
  // from `before` to `after`.
  std::vector<std::string> Check(const std::string& line, const std::string& before,
                                 const std::string& after);

 private:
  std::set<std::string> flagged_;  // words flagged already, upper-cased
};
