#include "server/QueryEvaluator.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <iterator>

#include "server/IndexLayout.h"
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

void Flatten(const QueryNode& node, std::vector<const QueryNode*>& terms) {
  if (node.kind == Kind::kTerm) {
    terms.push_back(&node);
  } else {
    Flatten(*node.left, terms);
    Flatten(*node.right, terms);
  }
}

}  // namespace

bool QueryEvaluator::Evaluate(const QueryNode& node, HitList& hits) {
  std::string expression;
  if (node.kind != Kind::kTerm && FtsExpression(node, expression)) {
    return error_.empty() && MatchIds(expression, nullptr, hits);
  }
  if (!error_.empty()) return false;
  switch (node.kind) {
    case Kind::kAnd:
    case Kind::kOr:
    case Kind::kAndNot:
    case Kind::kOrNot:
      return Combine(node, hits);
    default:
      return EvaluateLeaf(node, hits);
  }
}

bool QueryEvaluator::EvaluateLeaf(const QueryNode& node, HitList& hits) {
  std::string expression;
  switch (node.kind) {
    case Kind::kTerm:
      if (!FtsExpression(node, expression)) return false;
      if (expression.empty()) {
        hits.clear();
        return true;
      }
      return MatchIds(expression, nullptr, hits);
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
      hits.resize(count_);
      for (size_t i = 0; i < count_; ++i) hits[i] = static_cast<int64_t>(i + 1);
      return true;
    default:  // kProximity: the operators went to Combine
      return ProximityIds(node, hits);
  }
}

bool QueryEvaluator::Combine(const QueryNode& node, HitList& hits) {
  HitList left, right;
  if (!Evaluate(*node.left, left) || !Evaluate(*node.right, right)) return false;
  switch (node.kind) {
    case Kind::kAnd:
      hits = Intersection(left, right);
      break;
    case Kind::kOr:
      hits = Union(left, right);
      break;
    case Kind::kAndNot:
      hits = Difference(left, right);
      break;
    default: {  // kOrNot: left, or everything that is not right
      HitList all;
      QueryNode every;
      every.kind = Kind::kAll;
      Evaluate(every, all);
      hits = Union(left, Difference(all, right));
    }
  }
  return true;
}

// The FTS5 words a term stands for: itself (a prefix when it ends in one
// "*"), or the index words that match its inner truncation.
bool QueryEvaluator::TermAlternatives(const QueryNode& term, std::vector<std::string>& words) {
  std::string utf8 = Latin1ToUtf8(term.term);
  size_t wild = utf8.find_first_of("*?#");
  if (wild == std::string::npos) {
    words = {Quoted(utf8)};
    return true;
  }
  if (wild == utf8.size() - 1 && utf8.back() == '*') {
    words = {Quoted(utf8.substr(0, wild)) + " *"};
    return true;
  }
  std::vector<std::string> patterns;
  return TruncationPatterns(term, utf8, patterns) && IndexWords(term, patterns, words);
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
  patterns = {""};
  for (char c : utf8) {
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

// The index's words that match any of `patterns`, quoted, sorted, each once.
bool QueryEvaluator::IndexWords(const QueryNode& term, const std::vector<std::string>& patterns,
                                std::vector<std::string>& words) {
  std::vector<std::string> found;
  SqliteStatement stmt(db_, "SELECT term FROM fts_vocab WHERE term GLOB ?1");
  if (!stmt.ok()) return Fail();
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

// The FTS5 expression of a subtree of words joined by AND, OR and ANDNOT;
// false when the subtree holds anything else (or on an error, with error_
// set). A term that matches no word gives an empty expression.
bool QueryEvaluator::FtsExpression(const QueryNode& node, std::string& expression) {
  switch (node.kind) {
    case Kind::kTerm: {
      std::vector<std::string> words;
      if (!TermAlternatives(node, words)) return false;
      expression.clear();
      if (words.empty()) return true;
      std::string inner;
      for (size_t i = 0; i < words.size(); ++i) inner += (i ? " OR " : "") + words[i];
      expression = IndexLayout::ColumnFilter(node.fields) + " : (" + inner + ")";
      return true;
    }
    case Kind::kAnd:
    case Kind::kOr:
    case Kind::kAndNot: {
      std::string left, right;
      if (!FtsExpression(*node.left, left) || !FtsExpression(*node.right, right)) return false;
      if (node.kind == Kind::kOr) {
        expression = left.empty()    ? right
                     : right.empty() ? left
                                     : "(" + left + ") OR (" + right + ")";
      } else if (node.kind == Kind::kAnd) {
        expression = left.empty() || right.empty() ? "" : "(" + left + ") AND (" + right + ")";
      } else {
        expression = right.empty()  ? left
                     : left.empty() ? ""
                                    : "(" + left + ") NOT (" + right + ")";
      }
      return true;
    }
    default:
      return false;
  }
}

bool QueryEvaluator::Fail() {
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
  sqlite3_bind_text(stmt.get(), 1, node.fields[0].c_str(), -1, SQLITE_TRANSIENT);
  return ReadIds(stmt.get(), hits);
}

// Each pair of a left and a right word becomes one FTS5 NEAR (or AND, for
// any distance) over the fields both sides name, checked by sorrel_near.
// In a chain (a W b W c) the left side is itself a proximity: its hits are
// kept where its last words are near the right side.
bool QueryEvaluator::ProximityIds(const QueryNode& node, HitList& hits) {
  const QueryNode* leftSide = node.left.get();
  HitList chain;
  bool chained = leftSide->kind == Kind::kProximity;
  if (chained) {
    if (!Evaluate(*leftSide, chain)) return false;
    leftSide = leftSide->right.get();
  }
  std::vector<const QueryNode*> lefts, rights;
  Flatten(*leftSide, lefts);
  Flatten(*node.right, rights);
  hits.clear();
  size_t pairs = 0;
  for (const QueryNode* l : lefts) {
    std::vector<std::string> leftWords;
    if (!TermAlternatives(*l, leftWords)) return false;
    for (const QueryNode* r : rights) {
      if (!NearPairs(node, *l, leftWords, *r, pairs, hits)) return false;
    }
  }
  if (chained) hits = Intersection(hits, chain);
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
