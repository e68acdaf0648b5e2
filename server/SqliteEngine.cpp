#include "server/SqliteEngine.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "ktf/KtfDocumentReader.h"
#include "ktf/KtfDocumentWriter.h"
#include "server/Latin1.h"
#include "server/QueryParser.h"

namespace {

using Kind = QueryNode::Kind;
using HitList = SearchEngine::HitList;

constexpr const char* kSchemaVersion = "2";
constexpr size_t kMaxProximityPairs = 256;

std::string Column(const std::string& code) {
  std::string name = "f_";
  for (char c : code) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return name;
}

std::string ColumnFilter(const std::vector<std::string>& fields) {
  std::string filter = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) filter += ' ';
    filter += Column(fields[i]);
  }
  return filter + "}";
}

std::string Quoted(const std::string& word) {
  std::string text = "\"";
  for (char c : word) {
    if (c == '"') text += '"';
    text += c;
  }
  return text + "\"";
}

// The numeric value of a field for comparisons: a date as YYYYMMDD, a number
// field as its first run of digits. False when the value has none.
bool NumericValue(QueryParser::FieldType type, const std::string& value, int64_t& number) {
  size_t start = value.find_first_of("0123456789");
  if (start == std::string::npos) return false;
  size_t end = value.find_first_not_of("0123456789", start);
  std::string digits = value.substr(start, end == std::string::npos ? end : end - start);
  if (digits.size() > 18) return false;
  if (type == QueryParser::FieldType::kDate && digits.size() != 8) return false;
  number = std::stoll(digits);
  return true;
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }
  bool ok() const { return stmt_ != nullptr; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// sorrel_near(fts, distance, ordered, exact): 1 when an instance of phrase 1
// lies within `distance` words of one of phrase 0 in the same column (after
// it when `ordered`; exactly `distance` words between when `exact`; any
// distance when `distance` is negative).
void NearFunction(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context, int argc,
                  sqlite3_value** argv) {
  if (argc != 3) {
    sqlite3_result_error(context, "sorrel_near takes three arguments", -1);
    return;
  }
  int distance = sqlite3_value_int(argv[0]);
  bool ordered = sqlite3_value_int(argv[1]) != 0;
  bool exact = sqlite3_value_int(argv[2]) != 0;
  int count = 0;
  if (api->xInstCount(fts, &count) != SQLITE_OK) {
    sqlite3_result_error(context, "sorrel_near: no instances", -1);
    return;
  }
  int leftSize = api->xPhraseSize(fts, 0);
  int rightSize = api->xPhraseSize(fts, 1);
  struct Hit {
    int column, offset;
  };
  std::vector<Hit> lefts, rights;
  for (int i = 0; i < count; ++i) {
    int phrase, column, offset;
    if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK) continue;
    (phrase == 0 ? lefts : rights).push_back({column, offset});
  }
  for (const Hit& l : lefts) {
    for (const Hit& r : rights) {
      if (l.column != r.column) continue;
      int gap;
      if (r.offset >= l.offset + leftSize) {
        gap = r.offset - l.offset - leftSize;
      } else if (!ordered && l.offset >= r.offset + rightSize) {
        gap = l.offset - r.offset - rightSize;
      } else {
        continue;
      }
      if (distance < 0 || (exact ? gap == distance : gap <= distance)) {
        sqlite3_result_int(context, 1);
        return;
      }
    }
  }
  sqlite3_result_int(context, 0);
}

bool RegisterFunctions(sqlite3* db) {
  fts5_api* api = nullptr;
  Statement stmt(db, "SELECT fts5(?1)");
  if (!stmt.ok()) return false;
  sqlite3_bind_pointer(stmt.get(), 1, &api, "fts5_api_ptr", nullptr);
  sqlite3_step(stmt.get());
  if (api == nullptr) return false;
  return api->xCreateFunction(api, "sorrel_near", nullptr, &NearFunction, nullptr) == SQLITE_OK;
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

// One evaluation of a question on one connection.
class Evaluator {
 public:
  Evaluator(sqlite3* db, size_t count, const SearchEngine::Sets& sets)
      : db_(db), count_(count), sets_(sets) {}

  bool Evaluate(const QueryNode& node, HitList& hits) {
    std::string expression;
    if (node.kind != Kind::kTerm && FtsExpression(node, expression)) {
      return error_.empty() && MatchIds(expression, nullptr, hits);
    }
    if (!error_.empty()) return false;
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
      case Kind::kProximity:
        return ProximityIds(node, hits);
      default:
        break;
    }
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

  const std::string& Error() const { return error_; }

 private:
  // The FTS5 words a term stands for: itself (a prefix when it ends in one
  // "*"), or the index words that match its inner truncation.
  bool TermAlternatives(const QueryNode& term, std::vector<std::string>& words) {
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
    for (char c : utf8) {
      bool tokenChar = static_cast<unsigned char>(c) >= 0x80 ||
                       std::isalnum(static_cast<unsigned char>(c)) || c == '*' || c == '?' ||
                       c == '#';
      if (!tokenChar) {
        error_ = "truncation inside \"" + term.term + "\" applies to one word only";
        return false;
      }
    }
    // "?" stands for one character, "#" for one or none, "*" for any run.
    std::vector<std::string> patterns = {""};
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
    std::vector<std::string> found;
    Statement stmt(db_, "SELECT term FROM fts_vocab WHERE term GLOB ?1");
    if (!stmt.ok()) return Fail();
    for (const auto& pattern : patterns) {
      sqlite3_reset(stmt.get());
      sqlite3_bind_text(stmt.get(), 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
      int rc;
      while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        found.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
        if (found.size() > SqliteEngine::kMaxExpansion) {
          error_ = "\"" + term.term + "\" matches more than " +
                   std::to_string(SqliteEngine::kMaxExpansion) + " words";
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
  // false when the subtree holds anything else (or on an error, with
  // error_ set). A term that matches no word gives an empty expression.
  bool FtsExpression(const QueryNode& node, std::string& expression) {
    switch (node.kind) {
      case Kind::kTerm: {
        std::vector<std::string> words;
        if (!TermAlternatives(node, words)) return false;
        expression.clear();
        if (words.empty()) return true;
        std::string inner;
        for (size_t i = 0; i < words.size(); ++i) inner += (i ? " OR " : "") + words[i];
        expression = ColumnFilter(node.fields) + " : (" + inner + ")";
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

  bool Fail() {
    error_ = std::string("search engine: ") + sqlite3_errmsg(db_);
    return false;
  }

  bool ReadIds(sqlite3_stmt* stmt, HitList& hits) {
    hits.clear();
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) hits.push_back(sqlite3_column_int64(stmt, 0));
    if (rc != SQLITE_DONE) return Fail();
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    return true;
  }

  bool MatchIds(const std::string& expression, const QueryNode* near, HitList& hits) {
    if (expression.empty()) {
      hits.clear();
      return true;
    }
    Statement stmt(db_, near ? "SELECT rowid FROM fts WHERE fts MATCH ?1 AND "
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

  bool CompareIds(const QueryNode& node, HitList& hits) {
    HitList all;
    hits.clear();
    for (const auto& field : node.fields) {
      Statement stmt(db_, node.negate ? "SELECT doc FROM numbers WHERE code = ?1 AND value NOT "
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

  bool PresenceIds(const QueryNode& node, HitList& hits) {
    Statement stmt(db_, "SELECT doc FROM presence WHERE code = ?1");
    if (!stmt.ok()) return Fail();
    sqlite3_bind_text(stmt.get(), 1, node.fields[0].c_str(), -1, SQLITE_TRANSIENT);
    return ReadIds(stmt.get(), hits);
  }

  static void Flatten(const QueryNode& node, std::vector<const QueryNode*>& terms) {
    if (node.kind == Kind::kTerm) {
      terms.push_back(&node);
    } else {
      Flatten(*node.left, terms);
      Flatten(*node.right, terms);
    }
  }

  // Each pair of a left and a right word becomes one FTS5 NEAR (or AND, for
  // any distance) over the fields both sides name, checked by sorrel_near.
  // In a chain (a W b W c) the left side is itself a proximity: its hits
  // are kept where its last words are near the right side.
  bool ProximityIds(const QueryNode& node, HitList& hits) {
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
        std::vector<std::string> rightWords;
        if (!TermAlternatives(*r, rightWords)) return false;
        std::vector<std::string> fields;
        for (const auto& field : l->fields) {
          if (std::find(r->fields.begin(), r->fields.end(), field) != r->fields.end()) {
            fields.push_back(field);
          }
        }
        if (fields.empty()) {
          error_ = "\"" + l->term + "\" and \"" + r->term + "\" share no field to be near in";
          return false;
        }
        for (const auto& lw : leftWords) {
          for (const auto& rw : rightWords) {
            if (++pairs > kMaxProximityPairs) {
              error_ = "the proximity operator has more than " +
                       std::to_string(kMaxProximityPairs) + " pairs of words to check";
              return false;
            }
            std::string expression = ColumnFilter(fields) + " : " +
                                     (node.distance < 0 ? "(" + lw + " AND " + rw + ")"
                                                        : "NEAR(" + lw + " " + rw + ", " +
                                                              std::to_string(node.distance) + ")");
            HitList some;
            if (!MatchIds(expression, &node, some)) return false;
            hits = Union(hits, some);
          }
        }
      }
    }
    if (chained) hits = Intersection(hits, chain);
    return true;
  }

  sqlite3* db_;
  size_t count_;
  const SearchEngine::Sets& sets_;
  std::string error_;
};

bool Exec(sqlite3* db, const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    error = std::string("index: ") + (message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
  }
  return true;
}

std::string SourceStamp(const std::string& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return {};
  return std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

bool ReadMeta(sqlite3* db, const char* key, std::string& value) {
  Statement stmt(db, "SELECT value FROM meta WHERE key = ?1");
  if (!stmt.ok()) return false;
  sqlite3_bind_text(stmt.get(), 1, key, -1, SQLITE_STATIC);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) return false;
  value = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
  return true;
}

}  // namespace

SqliteEngine::~SqliteEngine() {
  for (sqlite3* db : pool_) sqlite3_close(db);
}

bool SqliteEngine::BuildIndex(const std::string& documentsFile, const std::string& indexFile,
                              std::string& error) {
  std::ifstream in(documentsFile, std::ios::binary);
  if (!in) {
    error = "cannot read " + documentsFile;
    return false;
  }
  std::string temporary = indexFile + ".building";
  std::filesystem::remove(temporary);
  sqlite3* db = nullptr;
  if (sqlite3_open(temporary.c_str(), &db) != SQLITE_OK) {
    error = "cannot create " + temporary;
    sqlite3_close(db);
    return false;
  }
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
  const auto& fields = QueryParser::Fields();
  std::string columns;
  for (const auto& field : fields) columns += Column(field.first) + ", ";
  std::string schema =
      "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
      "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);"
      "CREATE TABLE docs(id INTEGER PRIMARY KEY, pn TEXT, ktf BLOB);"
      "CREATE TABLE numbers(code TEXT, value INTEGER, doc INTEGER);"
      "CREATE TABLE presence(code TEXT, doc INTEGER);"
      "CREATE VIRTUAL TABLE fts USING fts5(" +
      columns +
      "content='', tokenize='unicode61');"
      "CREATE VIRTUAL TABLE fts_vocab USING fts5vocab(fts, row);"
      "BEGIN;";
  if (!Exec(db, schema.c_str(), error)) return false;
  std::string ftsInsert =
      "INSERT INTO fts(rowid, " + columns.substr(0, columns.size() - 2) + ") VALUES (?1";
  for (size_t i = 0; i < fields.size(); ++i) ftsInsert += ", ?" + std::to_string(i + 2);
  ftsInsert += ")";
  // The statements live in this block so that every one is finalized before
  // the connection closes; a close with statements open would fail and leak.
  int64_t id = 0;
  {
    Statement docInsert(db, "INSERT INTO docs(id, pn, ktf) VALUES (?1, ?2, ?3)");
    Statement wordInsert(db, ftsInsert.c_str());
    Statement numberInsert(db, "INSERT INTO numbers(code, value, doc) VALUES (?1, ?2, ?3)");
    Statement presenceInsert(db, "INSERT INTO presence(code, doc) VALUES (?1, ?2)");
    if (!docInsert.ok() || !wordInsert.ok() || !numberInsert.ok() || !presenceInsert.ok()) {
      error = std::string("index: ") + sqlite3_errmsg(db);
      return false;
    }
    auto step = [&](sqlite3_stmt* stmt) {
      bool done = sqlite3_step(stmt) == SQLITE_DONE;
      sqlite3_reset(stmt);
      if (!done) error = std::string("index: ") + sqlite3_errmsg(db);
      return done;
    };
    auto insert = [&](const KtfDocument& doc) {
      ++id;
      std::string ktf = KtfDocumentWriter::ToText(doc);
      std::string pn = doc.First("PN");
      sqlite3_bind_int64(docInsert.get(), 1, id);
      sqlite3_bind_text(docInsert.get(), 2, pn.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_blob(docInsert.get(), 3, ktf.data(), static_cast<int>(ktf.size()),
                        SQLITE_TRANSIENT);
      if (!step(docInsert.get())) return false;
      sqlite3_bind_int64(wordInsert.get(), 1, id);
      for (size_t f = 0; f < fields.size(); ++f) {
        const auto& [code, type] = fields[f];
        std::string joined;
        bool present = false;
        for (const auto& value : doc.Values(code)) {
          present = present || !value.empty();
          if (!joined.empty()) joined += '\n';
          joined += Latin1ToUtf8(value);
          int64_t number;
          if (type != QueryParser::FieldType::kText && NumericValue(type, value, number)) {
            sqlite3_bind_text(numberInsert.get(), 1, code.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int64(numberInsert.get(), 2, number);
            sqlite3_bind_int64(numberInsert.get(), 3, id);
            if (!step(numberInsert.get())) return false;
          }
        }
        sqlite3_bind_text(wordInsert.get(), static_cast<int>(f + 2), joined.c_str(), -1,
                          SQLITE_TRANSIENT);
        if (present) {
          sqlite3_bind_text(presenceInsert.get(), 1, code.c_str(), -1, SQLITE_STATIC);
          sqlite3_bind_int64(presenceInsert.get(), 2, id);
          if (!step(presenceInsert.get())) return false;
        }
      }
      return step(wordInsert.get());
    };
    // The documents are read one at a time, so a large base never sits in
    // memory whole.
    std::string line, chunk;
    size_t lineNumber = 0, chunkStart = 0;
    auto flush = [&]() {
      KtfDocumentReader documents;
      if (!documents.Parse(chunk)) {
        const std::string& problem = documents.error();
        // The reader counts lines from the document's first; the file's count is wanted.
        size_t relative = std::strtoul(problem.c_str() + std::strlen("line "), nullptr, 10);
        error = documentsFile + ": line " + std::to_string(chunkStart + relative - 1) +
                problem.substr(problem.find(':'));
        return false;
      }
      chunk.clear();
      for (const auto& doc : documents.documents()) {
        if (!insert(doc)) return false;
      }
      return true;
    };
    while (std::getline(in, line)) {
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) {
        if (!chunk.empty() && !flush()) return false;
        continue;
      }
      if (chunk.empty()) chunkStart = lineNumber;
      chunk += line;
      chunk += '\n';
    }
    if (!chunk.empty() && !flush()) return false;
  }
  std::string stamp = SourceStamp(documentsFile);
  std::string finish =
      "CREATE INDEX numbers_by_value ON numbers(code, value, doc);"
      "CREATE INDEX presence_by_code ON presence(code, doc);"
      "CREATE INDEX docs_by_pn ON docs(pn);"
      "INSERT INTO meta VALUES ('schema', '" +
      std::string(kSchemaVersion) + "'), ('source', '" + stamp + "'), ('count', '" +
      std::to_string(id) + "');COMMIT;";
  if (!Exec(db, finish.c_str(), error)) return false;
  guard.reset();
  std::error_code code;
  std::filesystem::rename(temporary, indexFile, code);
  if (code) {
    error = "cannot replace " + indexFile + ": " + code.message();
    return false;
  }
  return true;
}

bool SqliteEngine::Open(const std::string& folder, std::string& error) {
  std::string documentsFile = (std::filesystem::path(folder) / "documents.ktf").string();
  indexFile_ = (std::filesystem::path(folder) / "index.sqlite").string();
  std::string stamp = SourceStamp(documentsFile);
  if (stamp.empty()) {
    error = "no documents.ktf in " + folder;
    return false;
  }
  bool current = false;
  {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(indexFile_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      std::string schema, source;
      current = ReadMeta(db, "schema", schema) && schema == kSchemaVersion &&
                ReadMeta(db, "source", source) && source == stamp;
    }
    sqlite3_close(db);
  }
  if (!current && !BuildIndex(documentsFile, indexFile_, error)) return false;
  sqlite3* db = Acquire(error);
  if (db == nullptr) return false;
  std::string count;
  bool ok = ReadMeta(db, "count", count);
  Release(db);
  if (!ok) {
    error = "index " + indexFile_ + " holds no document count";
    return false;
  }
  count_ = std::stoull(count);
  return true;
}

sqlite3* SqliteEngine::Acquire(std::string& error) {
  {
    std::lock_guard<std::mutex> lock(poolMutex_);
    if (!pool_.empty()) {
      sqlite3* db = pool_.back();
      pool_.pop_back();
      return db;
    }
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(indexFile_.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK ||
      !RegisterFunctions(db)) {
    error = "cannot open " + indexFile_ + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

void SqliteEngine::Release(sqlite3* connection) {
  std::lock_guard<std::mutex> lock(poolMutex_);
  pool_.push_back(connection);
}

bool SqliteEngine::Run(const QueryNode& question, const Sets& sets, HitList& hits,
                       std::string& error) {
  sqlite3* db = Acquire(error);
  if (db == nullptr) return false;
  Evaluator evaluator(db, count_, sets);
  bool ok = evaluator.Evaluate(question, hits);
  if (!ok) error = evaluator.Error().empty() ? "the question cannot be run" : evaluator.Error();
  Release(db);
  return ok;
}

bool SqliteEngine::Fetch(const HitList& hits, size_t position, size_t count,
                         std::vector<std::string>& documents, std::string& error) {
  documents.clear();
  if (position == 0 || position > hits.size()) return true;
  sqlite3* db = Acquire(error);
  if (db == nullptr) return false;
  bool ok = true;
  {
    Statement stmt(db, "SELECT ktf FROM docs WHERE id = ?1");
    size_t end = std::min(hits.size(), position - 1 + count);
    for (size_t i = position - 1; ok && stmt.ok() && i < end; ++i) {
      sqlite3_reset(stmt.get());
      sqlite3_bind_int64(stmt.get(), 1, hits[i]);
      if (sqlite3_step(stmt.get()) != SQLITE_ROW) {
        ok = false;
        break;
      }
      const char* data = static_cast<const char*>(sqlite3_column_blob(stmt.get(), 0));
      documents.emplace_back(data ? data : "", sqlite3_column_bytes(stmt.get(), 0));
    }
    ok = ok && stmt.ok();
    if (!ok) error = std::string("search engine: ") + sqlite3_errmsg(db);
  }
  Release(db);
  return ok;
}

bool SqliteEngine::FindByNumber(const std::string& number, std::string& document) {
  std::string error;
  sqlite3* db = Acquire(error);
  if (db == nullptr) return false;
  bool found = false;
  {
    Statement stmt(db, "SELECT ktf FROM docs WHERE pn = ?1 LIMIT 1");
    if (stmt.ok()) {
      sqlite3_bind_text(stmt.get(), 1, number.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        const char* data = static_cast<const char*>(sqlite3_column_blob(stmt.get(), 0));
        document.assign(data ? data : "", sqlite3_column_bytes(stmt.get(), 0));
        found = true;
      }
    }
  }
  Release(db);
  return found;
}
