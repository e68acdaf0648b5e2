#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "server/QueryNode.h"
#include "server/SearchEngine.h"

struct sqlite3;
struct sqlite3_stmt;

// One evaluation of a parsed question on one connection to a base's index
// (IndexLayout), leaf by leaf into sorted hit lists. A subtree made only of
// words joined by AND, OR and ANDNOT goes to FTS5 as one MATCH; proximity
// pairs are FTS5 NEAR (or AND, for any distance) checked by sorrel_near
// (NearFunction); comparisons, presence, sets and ORNOT are SQL and
// operations on sorted lists. Not thread-safe: one evaluator per question.
class QueryEvaluator {
 public:
  // Most words a truncated term may stand for.
  static constexpr size_t kMaxExpansion = 1000;
  // Most pairs of words one proximity operator may check.
  static constexpr size_t kMaxProximityPairs = 256;

  // Evaluates on `db` (with sorrel_near registered), a base of `count`
  // documents; set references read `sets`. All three must outlive it.
  QueryEvaluator(sqlite3* db, size_t count, const SearchEngine::Sets& sets)
      : db_(db), count_(count), sets_(sets) {}

  // The hits of `node`, ascending. False on a question the index cannot
  // answer (an unknown set, a truncation over kMaxExpansion words, fields
  // that cannot be near) or an SQLite failure; Error() then says which,
  // the latter starting "search engine:".
  bool Evaluate(const QueryNode& node, SearchEngine::HitList& hits);
  const std::string& Error() const { return error_; }

 private:
  bool EvaluateLeaf(const QueryNode& node, SearchEngine::HitList& hits);
  bool Combine(const QueryNode& node, SearchEngine::HitList& hits);
  bool TermAlternatives(const QueryNode& term, std::vector<std::string>& words);
  bool TruncationPatterns(const QueryNode& term, const std::string& utf8,
                          std::vector<std::string>& patterns);
  bool IndexWords(const QueryNode& term, const std::vector<std::string>& patterns,
                  std::vector<std::string>& words);
  bool FtsExpression(const QueryNode& node, std::string& expression);
  bool Fail();
  bool ReadIds(sqlite3_stmt* stmt, SearchEngine::HitList& hits);
  bool MatchIds(const std::string& expression, const QueryNode* near, SearchEngine::HitList& hits);
  bool CompareIds(const QueryNode& node, SearchEngine::HitList& hits);
  bool PresenceIds(const QueryNode& node, SearchEngine::HitList& hits);
  bool ProximityIds(const QueryNode& node, SearchEngine::HitList& hits);
  bool NearPairs(const QueryNode& node, const QueryNode& left,
                 const std::vector<std::string>& leftWords, const QueryNode& right, size_t& pairs,
                 SearchEngine::HitList& hits);

  sqlite3* db_;
  size_t count_;
  const SearchEngine::Sets& sets_;
  std::string error_;
};
