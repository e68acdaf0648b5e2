#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "server/QueryNode.h"
#include "server/SearchEngine.h"

struct sqlite3;
struct sqlite3_stmt;

// One evaluation of a parsed question on one connection to a base's index
// (IndexLayout), leaf by leaf into sorted hit lists. Runs of one level's
// operators (a AND b NOT c ..., a OR b ORNOT c ...) are walked as flat lists,
// never by recursion, and their words go to FTS5 as one flat MATCH; proximity
// pairs are FTS5 NEAR (or AND, for any distance) checked by sorrel_near
// (NearFunction); comparisons, presence, sets and ORNOT are SQL and
// operations on sorted lists. Each question has one budget of index
// lookups and a deadline. Not thread-safe: one evaluator per question.
class QueryEvaluator {
 public:
  using Clock = std::chrono::steady_clock;

  // Most words a truncated term may stand for.
  static constexpr size_t kMaxExpansion = 1000;
  // Most pairs of words one proximity operator may check.
  static constexpr size_t kMaxProximityPairs = 256;
  // Most index lookups (MATCH, word lists, comparisons) one question may make.
  static constexpr size_t kMaxLookups = 1024;
  // Deepest bracketing of one FTS5 expression; deeper parts are combined as lists.
  static constexpr int kMaxFtsNesting = 16;
  // Deepest operand nesting the evaluator follows.
  static constexpr int kMaxDepth = 512;

  // Evaluates on `db` (with sorrel_near registered), a base of `count`
  // documents; set references read `sets`. All three must outlive it. Work
  // past `deadline` stops; an interrupted statement (SQLITE_INTERRUPT, from
  // the caller's progress handler) counts as past it.
  QueryEvaluator(sqlite3* db, size_t count, const SearchEngine::Sets& sets, Clock::time_point deadline)
      : db_(db), count_(count), sets_(sets), deadline_(deadline) {}

  // The hits of `node`, ascending. False on a question the index cannot
  // answer (an unknown set, a truncation over kMaxExpansion words, fields
  // that cannot be near, over kMaxLookups lookups, past the deadline) or an
  // SQLite failure; Error() then says which, the latter starting "search
  // engine:" with SQLite's own text.
  bool Evaluate(const QueryNode& node, SearchEngine::HitList& hits);
  const std::string& Error() const { return error_; }
  // True when the failure was the deadline.
  bool TimedOut() const { return timedOut_; }

 private:
  bool EvaluateNode(const QueryNode& node, SearchEngine::HitList& hits);
  bool EvaluateLeaf(const QueryNode& node, SearchEngine::HitList& hits);
  bool Combine(const QueryNode& node, SearchEngine::HitList& hits);
  bool Gather(const std::vector<const QueryNode*>& nodes, bool conjunction,
              SearchEngine::HitList& hits);
  void AllIds(SearchEngine::HitList& hits) const;
  bool TermAlternatives(const QueryNode& term, std::vector<std::string>& words);
  bool TruncationPatterns(const QueryNode& term, const std::string& utf8,
                          std::vector<std::string>& patterns);
  bool FoldedPieces(const std::string& utf8, std::string& folded);
  bool IndexWords(const QueryNode& term, const std::vector<std::string>& patterns,
                  std::vector<std::string>& words);
  bool FtsExpression(const QueryNode& node, int nesting, std::string& expression);
  bool FtsList(const QueryNode& node, int nesting, std::string& expression);
  bool Spend();
  bool Fail();
  bool ReadIds(sqlite3_stmt* stmt, SearchEngine::HitList& hits);
  bool MatchIds(const std::string& expression, const QueryNode* near, SearchEngine::HitList& hits);
  bool CompareIds(const QueryNode& node, SearchEngine::HitList& hits);
  bool PresenceIds(const QueryNode& node, SearchEngine::HitList& hits);
  bool ProximityIds(const QueryNode& node, SearchEngine::HitList& hits);
  bool LinkIds(const QueryNode& link, const QueryNode& leftSide, SearchEngine::HitList& hits);
  bool NearPairs(const QueryNode& node, const QueryNode& left,
                 const std::vector<std::string>& leftWords, const QueryNode& right, size_t& pairs,
                 SearchEngine::HitList& hits);

  sqlite3* db_;
  size_t count_;
  const SearchEngine::Sets& sets_;
  Clock::time_point deadline_;
  size_t lookups_ = 0;
  int depth_ = 0;
  bool timedOut_ = false;
  std::map<const QueryNode*, std::vector<std::string>> alternatives_;  // words of each term seen
  std::string error_;
};
