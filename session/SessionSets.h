#pragma once

#include <functional>
#include <string>
#include <vector>

// The result sets of one search session. The session numbers its sets 1, 2,
// ... for good ($n in the user's questions); the server numbers its own anew
// after each login. Each set keeps the server's number and the login (its
// generation) that number belongs to; after a new login (NewLogin) a set is
// run again the first time a question names it. Plain data: no traffic of
// its own, the caller runs the questions.
class SessionSets {
 public:
  struct Set {
    int number = 0;          // the session's number, from 1
    int serverSet = 0;       // the server's number in login `generation`
    int generation = 0;      // the login that serverSet belongs to
    long hits = 0;           // documents found
    std::string expression;  // the translated question, "$n" in the session's numbers
    bool erased = false;     // erased by the user: no longer offered
  };

  // Why a question could not be put in the server's numbers.
  enum class Refusal { kNone, kUnknownSet, kErasedSet, kRerunFailed };

  struct Translation {
    Refusal refusal = Refusal::kNone;
    int set = 0;           // the set refused (kUnknownSet, kErasedSet)
    std::string question;  // the question in the server's numbers, when kNone
    // "set 3 was erased", "set 9 does not exist in this session"; "" otherwise.
    std::string Reason() const;
  };

  // Runs `expression` (in the session's numbers) on the server in the
  // current login; gives the server's set number, or false when it did not
  // run (the caller has reported why).
  using Rerun = std::function<bool(const std::string& expression, int& serverSet)>;

  // Adds the next set, made in the current login; the reference stays valid
  // until the next Add.
  const Set& Add(int serverSet, long hits, const std::string& expression);
  // The newest set not erased; null when there is none.
  const Set* Latest() const;
  // Erases every set (`all`) or those of `numbers`; returns the numbers of
  // the sets that this call erased, in order.
  std::vector<int> Erase(bool all, const std::vector<int>& numbers);
  // Every set, erased ones too, in order.
  const std::vector<Set>& sets() const { return sets_; }

  // The server has logged in again: it knows none of the sets any more.
  void NewLogin() { ++generation_; }
  int generation() const { return generation_; }

  // `expression` with each "$n" (up to nine digits) turned into the server's
  // number for set n; a set of an earlier login is run again first through
  // `rerun`, which may itself translate and rerun the sets it names. A "$"
  // without digits is left as it is.
  Translation Translate(const std::string& expression, const Rerun& rerun);

 private:
  // The server's number for set `number` in the current login, rerunning it
  // if needed.
  Refusal ServerNumber(size_t number, const Rerun& rerun, int& serverSet);

  std::vector<Set> sets_;
  int generation_ = 0;
};
