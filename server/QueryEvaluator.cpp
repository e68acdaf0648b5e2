#include "server/QueryEvaluator.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <iterator>

#include "server/IndexLayout.h"
#include "server/IndexTokenizer.h"
#include "server/Latin1.h"
#include "server/SqliteStatement.h"

namespace {

using Kind = QueryNode::Kind;
using HitList = SearchEngine::HitList;

std::string Quoted(const std::string& word) {
  std::string text = "\"";
  for (char c : word) {
    if (c == '"') text += '"';
    text += c;
  }
  return text + "\"";
}

HitList Union(const HitList& a, const HitList& b) {
  HitList out;
  out.reserve(a.size() + b.size());
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

HitList Intersection(const HitList& a, const HitList& b) {
  HitList out;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

HitList Difference(const HitList& a, const HitList& b) {
  HitList out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

// The terms of an OR group of words, left to right, walked without recursion.
void Flatten(const QueryNode& node, std::vector<const QueryNode*>& terms) {
  std::vector<const QueryNode*> pending = {&node};
  while (!pending.empty()) {
    const QueryNode* at = pending.back();
    pending.pop_back();
    if (at->kind == Kind::kTerm) {
      terms.push_back(at);
    } else {
      pending.push_back(at->right.get());
      pending.push_back(at->left.get());
    }
  }
}

bool AndLevel(Kind kind) { return kind == Kind::kAnd || kind == Kind::kAndNot; }
bool OrLevel(Kind kind) { return kind == Kind::kOr || kind == Kind::kOrNot; }

// The operands of a run of one level's operators, read down its left spine:
// for AND/ANDNOT the documents are those of every `kept` operand and of no
// `dropped` one; for OR/ORNOT those of any `kept` one or outside some
// `dropped` one (a ORNOT b ORNOT c = a OR NOT (b AND c)).
struct Run {
  std::vector<const QueryNode*> kept;
  std::vector<const QueryNode*> dropped;
};

Run RunOf(const QueryNode& node) {
  bool andLevel = AndLevel(node.kind);
  Run run;
  const QueryNode* at = &node;
  while (andLevel ? AndLevel(at->kind) : OrLevel(at->kind)) {
    bool dropped = at->kind == Kind::kAndNot || at->kind == Kind::kOrNot;
    (dropped ? run.dropped : run.kept).push_back(at->right.get());
    at = at->left.get();
  }
  run.kept.push_back(at);
  std::reverse(run.kept.begin(), run.kept.end());
  std::reverse(run.dropped.begin(), run.dropped.end());
  return run;
}

std::string Bracketed(const std::string& expression) { return "(" + expression + ")"; }

}  // namespace

bool QueryEvaluator::Evaluate(const QueryNode& node, HitList& hits) {
  if (++depth_ > kMaxDepth) {
    error_ = "the question is nested too deep";
    return false;
  }
  bool ok = EvaluateNode(node, hits);
  --depth_;
  return ok;
}

bool QueryEvaluator::EvaluateNode(const QueryNode& node, HitList& hits) {
  if (!AndLevel(node.kind) && !OrLevel(node.kind)) return EvaluateLeaf(node, hits);
  std::string expression;
  if (FtsExpression(node, 0, expression)) return MatchIds(expression, nullptr, hits);
  return error_.empty() && Combine(node, hits);
}

bool QueryEvaluator::EvaluateLeaf(const QueryNode& node, HitList& hits) {
  std::string expression;
  switch (node.kind) {
    case Kind::kTerm:
      return FtsExpression(node, 0, expression) && MatchIds(expression, nullptr, hits);
    case Kind::kCompare:
      return CompareIds(node, hits);
    case Kind::kPresence:
      return PresenceIds(node, hits);
    case Kind::kSetRef:
      if (node.set < 1 || static_cast<size_t>(node.set) > sets_.size() || !sets_[node.set - 1]) {
        error_ = "set $" + std::to_string(node.set) + " does not exist in this session";
        return false;
      }
      hits = *sets_[node.set - 1];
      return true;
    case Kind::kAll:
      AllIds(hits);
      return true;
    default:  // kProximity: the operators went to Combine
      return ProximityIds(node, hits);
  }
}

void QueryEvaluator::AllIds(HitList& hits) const {
  hits.resize(count_);
  for (size_t i = 0; i < count_; ++i) hits[i] = static_cast<int64_t>(i + 1);
}

// A run of AND/ANDNOT or OR/ORNOT operators as lists of operands.
bool QueryEvaluator::Combine(const QueryNode& node, HitList& hits) {
  Run run = RunOf(node);
  bool conjunction = AndLevel(node.kind);
  if (!Gather(run.kept, conjunction, hits)) return false;
  if (run.dropped.empty()) return true;
  HitList dropped;
  if (!Gather(run.dropped, !conjunction, dropped)) return false;
  if (conjunction) {
    hits = Difference(hits, dropped);
  } else {
    HitList all;
    AllIds(all);
    hits = Union(hits, Difference(all, dropped));
  }
  return true;
}

// The documents of all `nodes` (`conjunction`) or of any. The operands that
// are words and word operators go to FTS5 together as one flat MATCH, the
// others are evaluated one by one.
bool QueryEvaluator::Gather(const std::vector<const QueryNode*>& nodes, bool conjunction,
                            HitList& hits) {
  std::vector<const QueryNode*> rest;
  std::string joined;
  bool none = false;  // a conjunction with a word found nowhere
  for (const QueryNode* node : nodes) {
    std::string expression;
    if (!FtsExpression(*node, 1, expression)) {
      if (!error_.empty()) return false;
      rest.push_back(node);
    } else if (expression.empty()) {
      none = none || conjunction;
    } else {
      joined += (joined.empty() ? "" : conjunction ? " AND " : " OR ") + Bracketed(expression);
    }
  }
  bool first = true;
  hits.clear();
  if (!joined.empty() && !none) {
    if (!MatchIds(joined, nullptr, hits)) return false;
    first = false;
  }
  for (const QueryNode* node : rest) {
    HitList some;
    if (!Evaluate(*node, some)) return false;
    hits = first ? std::move(some) : conjunction ? Intersection(hits, some) : Union(hits, some);
    first = false;
  }
  if (none) hits.clear();
  return true;
}

// The FTS5 words a term stands for: itself (a prefix when it ends in one
// "*"), or the index words that match its inner truncation.
bool QueryEvaluator::TermAlternatives(const QueryNode& term, std::vector<std::string>& words) {
  auto known = alternatives_.find(&term);
  if (known != alternatives_.end()) {
    words = known->second;
    return true;
  }
  std::vector<std::string> patterns;
  std::string utf8 = Latin1ToUtf8(term.term);
  size_t wild = utf8.find_first_of("*?#");
  if (wild == std::string::npos) {
    words = {Quoted(utf8)};
  } else if (wild == utf8.size() - 1 && utf8.back() == '*') {
    words = {Quoted(utf8.substr(0, wild)) + " *"};
  } else if (!TruncationPatterns(term, utf8, patterns) || !IndexWords(term, patterns, words)) {
    return false;
  }
  alternatives_[&term] = words;
  return true;
}

// The GLOB patterns of a truncated word: "?" stands for one character, "#"
// for one or none (two patterns each), "*" for any run.
bool QueryEvaluator::TruncationPatterns(const QueryNode& term, const std::string& utf8,
                                        std::vector<std::string>& patterns) {
  for (char c : utf8) {
    bool tokenChar = static_cast<unsigned char>(c) >= 0x80 ||
                     std::isalnum(static_cast<unsigned char>(c)) || c == '*' || c == '?' ||
                     c == '#';
    if (!tokenChar) {
      error_ = "truncation inside \"" + term.term + "\" applies to one word only";
      return false;
    }
  }
  std::string folded;
  if (!FoldedPieces(utf8, folded)) return false;
  patterns = {""};
  for (char c : folded) {
    if (c == '#') {
      std::vector<std::string> more;
      for (const auto& p : patterns) {
        more.push_back(p + "?");
        more.push_back(p);
      }
      patterns = std::move(more);
      if (patterns.size() > 16) {
        error_ = "\"" + term.term + "\" has too many \"#\"";
        return false;
      }
    } else {
      for (auto& p : patterns) p += c;
    }
  }
  return true;
}

// `utf8` with the runs between its wildcards folded as the index folds its
// words, so that "mü?ler" matches the index's "muller".
bool QueryEvaluator::FoldedPieces(const std::string& utf8, std::string& folded) {
  folded.clear();
  size_t start = 0;
  while (start <= utf8.size()) {
    const size_t wild = std::min(utf8.find_first_of("*?#", start), utf8.size());
    std::string piece;
    std::string failure;
    if (wild > start &&
        !IndexTokenizer::Fold(db_, utf8.substr(start, wild - start), piece, failure)) {
      error_ = "search engine: " + failure;
      return false;
    }
    folded += piece;
    if (wild < utf8.size()) folded += utf8[wild];
    start = wild + 1;
  }
  return true;
}

// The index's words that match any of `patterns`, quoted, sorted, each once.
bool QueryEvaluator::IndexWords(const QueryNode& term, const std::vector<std::string>& patterns,
                                std::vector<std::string>& words) {
  std::vector<std::string> found;
  SqliteStatement stmt(db_, "SELECT term FROM fts_vocab WHERE term GLOB ?1");
  if (!stmt.ok()) return Fail();
  if (!Spend()) return false;
  for (const auto& pattern : patterns) {
    sqlite3_reset(stmt.get());
    sqlite3_bind_text(stmt.get(), 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      found.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
      if (found.size() > kMaxExpansion) {
        error_ =
            "\"" + term.term + "\" matches more than " + std::to_string(kMaxExpansion) + " words";
        return false;
      }
    }
    if (rc != SQLITE_DONE) return Fail();
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  words.clear();
  for (const auto& word : found) words.push_back(Quoted(word));
  return true;
}

// The FTS5 expression of a subtree of words joined by AND, OR and ANDNOT,
// bracketed at most kMaxFtsNesting deep from `nesting`; false when the
// subtree holds anything else or would nest deeper (or on an error, with
// error_ set). A part that matches no word gives an empty expression.
bool QueryEvaluator::FtsExpression(const QueryNode& node, int nesting, std::string& expression) {
  expression.clear();
  if (nesting > kMaxFtsNesting) return false;
  if (AndLevel(node.kind) || OrLevel(node.kind)) return FtsList(node, nesting, expression);
  if (node.kind != Kind::kTerm) return false;
  std::vector<std::string> words;
  if (!TermAlternatives(node, words)) return false;
  if (words.empty()) return true;
  std::string inner;
  for (size_t i = 0; i < words.size(); ++i) inner += (i ? " OR " : "") + words[i];
  expression = IndexLayout::ColumnFilter(node.fields) + " : (" + inner + ")";
  return true;
}

// A run of one level's operators as one flat FTS5 list: "(a) AND (b) NOT
// ((c) OR (d))" or "(a) OR (b)". ORNOT has no FTS5 form.
bool QueryEvaluator::FtsList(const QueryNode& node, int nesting, std::string& expression) {
  Run run = RunOf(node);
  bool conjunction = AndLevel(node.kind);
  if (!conjunction && !run.dropped.empty()) return false;
  std::string kept, dropped;
  bool none = false;
  for (const auto* list : {&run.kept, &run.dropped}) {
    bool keptList = list == &run.kept;
    for (const QueryNode* operand : *list) {
      std::string part;
      if (!FtsExpression(*operand, nesting + 2, part)) return false;
      if (part.empty()) {
        none = none || (keptList && conjunction);
        continue;
      }
      std::string& text = keptList ? kept : dropped;
      text += (text.empty() ? "" : keptList && conjunction ? " AND " : " OR ") + Bracketed(part);
    }
  }
  if (!none && !kept.empty()) {
    expression = dropped.empty() ? kept : Bracketed(kept) + " NOT " + Bracketed(dropped);
  }
  return true;
}

// Counts one index lookup against the question's budget and checks the
// deadline.
bool QueryEvaluator::Spend() {
  if (Clock::now() > deadline_) {
    timedOut_ = true;
    error_ = "the question takes too long to answer";
    return false;
  }
  if (++lookups_ > kMaxLookups) {
    error_ = "the question needs more than " + std::to_string(kMaxLookups) +
             " index lookups; narrow it";
    return false;
  }
  return true;
}

bool QueryEvaluator::Fail() {
  if (sqlite3_errcode(db_) == SQLITE_INTERRUPT) {
    timedOut_ = true;
    error_ = "the question takes too long to answer";
    return false;
  }
  error_ = std::string("search engine: ") + sqlite3_errmsg(db_);
  return false;
}

bool QueryEvaluator::ReadIds(sqlite3_stmt* stmt, HitList& hits) {
  hits.clear();
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) hits.push_back(sqlite3_column_int64(stmt, 0));
  if (rc != SQLITE_DONE) return Fail();
  std::sort(hits.begin(), hits.end());
  hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
  return true;
}

bool QueryEvaluator::MatchIds(const std::string& expression, const QueryNode* near, HitList& hits) {
  if (expression.empty()) {
    hits.clear();
    return true;
  }
  SqliteStatement stmt(db_, near ? "SELECT rowid FROM fts WHERE fts MATCH ?1 AND "
                                   "sorrel_near(fts, ?2, ?3, ?4) ORDER BY rowid"
                                 : "SELECT rowid FROM fts WHERE fts MATCH ?1 ORDER BY rowid");
  if (!stmt.ok()) return Fail();
  if (!Spend()) return false;
  sqlite3_bind_text(stmt.get(), 1, expression.c_str(), -1, SQLITE_TRANSIENT);
  if (near) {
    sqlite3_bind_int(stmt.get(), 2, near->distance);
    sqlite3_bind_int(stmt.get(), 3, near->ordered ? 1 : 0);
    sqlite3_bind_int(stmt.get(), 4, near->exact ? 1 : 0);
  }
  return ReadIds(stmt.get(), hits);
}

bool QueryEvaluator::CompareIds(const QueryNode& node, HitList& hits) {
  hits.clear();
  for (const auto& field : node.fields) {
    SqliteStatement stmt(db_, node.negate ? "SELECT doc FROM numbers WHERE code = ?1 AND value NOT "
                                            "BETWEEN ?2 AND ?3"
                                          : "SELECT doc FROM numbers WHERE code = ?1 AND value "
                                            "BETWEEN ?2 AND ?3");
    if (!stmt.ok()) return Fail();
    if (!Spend()) return false;
    sqlite3_bind_text(stmt.get(), 1, field.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt.get(), 2, node.low);
    sqlite3_bind_int64(stmt.get(), 3, node.high);
    HitList some;
    if (!ReadIds(stmt.get(), some)) return false;
    hits = Union(hits, some);
  }
  return true;
}

bool QueryEvaluator::PresenceIds(const QueryNode& node, HitList& hits) {
  SqliteStatement stmt(db_, "SELECT doc FROM presence WHERE code = ?1");
  if (!stmt.ok()) return Fail();
  if (!Spend()) return false;
  sqlite3_bind_text(stmt.get(), 1, node.fields[0].c_str(), -1, SQLITE_TRANSIENT);
  return ReadIds(stmt.get(), hits);
}

// A chain a W b W c is walked link by link, without recursion: each link is
// checked between its neighbours and the documents are those of every link.
bool QueryEvaluator::ProximityIds(const QueryNode& node, HitList& hits) {
  std::vector<const QueryNode*> links;  // the outermost first
  for (const QueryNode* at = &node; at->kind == Kind::kProximity; at = at->left.get()) {
    links.push_back(at);
  }
  hits.clear();
  for (auto link = links.rbegin(); link != links.rend(); ++link) {
    const QueryNode& left = *(*link)->left;
    HitList some;
    if (!LinkIds(**link, left.kind == Kind::kProximity ? *left.right : left, some)) return false;
    hits = link == links.rbegin() ? std::move(some) : Intersection(hits, some);
  }
  return true;
}

// Each pair of a left and a right word becomes one FTS5 NEAR (or AND, for
// any distance) over the fields both sides name, checked by sorrel_near.
bool QueryEvaluator::LinkIds(const QueryNode& link, const QueryNode& leftSide, HitList& hits) {
  std::vector<const QueryNode*> lefts, rights;
  Flatten(leftSide, lefts);
  Flatten(*link.right, rights);
  hits.clear();
  size_t pairs = 0;
  for (const QueryNode* l : lefts) {
    std::vector<std::string> leftWords;
    if (!TermAlternatives(*l, leftWords)) return false;
    for (const QueryNode* r : rights) {
      if (!NearPairs(link, *l, leftWords, *r, pairs, hits)) return false;
    }
  }
  return true;
}

// Adds to `hits` the documents where a word of `left` is near one of
// `right` as `node` says; `pairs` counts the pairs checked so far.
bool QueryEvaluator::NearPairs(const QueryNode& node, const QueryNode& left,
                               const std::vector<std::string>& leftWords, const QueryNode& right,
                               size_t& pairs, HitList& hits) {
  std::vector<std::string> rightWords;
  if (!TermAlternatives(right, rightWords)) return false;
  std::vector<std::string> fields;
  for (const auto& field : left.fields) {
    if (std::find(right.fields.begin(), right.fields.end(), field) != right.fields.end()) {
      fields.push_back(field);
    }
  }
  if (fields.empty()) {
    error_ = "\"" + left.term + "\" and \"" + right.term + "\" share no field to be near in";
    return false;
  }
  for (const auto& lw : leftWords) {
    for (const auto& rw : rightWords) {
      if (++pairs > kMaxProximityPairs) {
        error_ = "the proximity operator has more than " + std::to_string(kMaxProximityPairs) +
                 " pairs of words to check";
        return false;
      }
      std::string expression = IndexLayout::ColumnFilter(fields) + " : " +
                               (node.distance < 0 ? "(" + lw + " AND " + rw + ")"
                                                  : "NEAR(" + lw + " " + rw + ", " +
                                                        std::to_string(node.distance) + ")");
      HitList some;
      if (!MatchIds(expression, &node, some)) return false;
      hits = Union(hits, some);
    }
  }
  return true;
}
