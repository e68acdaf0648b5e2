#include "server/SqliteEngine.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

#include "platform/DiagnosticSink.h"
#include "server/IndexBuilder.h"
#include "server/IndexLayout.h"
#include "server/NearFunction.h"
#include "server/QueryEvaluator.h"
#include "server/SqliteStatement.h"
#include "server/TermIndex.h"

namespace {

// What the client is told of an engine failure; the detail goes to the
// diagnostic sink.
std::string EngineFailure(const std::string& detail) {
  ReportDiagnostic(DiagnosticLevel::kDebug, ("search engine: " + detail).c_str());
  return "search engine: the index could not answer";
}

// Stops the statement running on a connection once the deadline passed.
int PastDeadline(void* deadline) {
  return QueryEvaluator::Clock::now() > *static_cast<QueryEvaluator::Clock::time_point*>(deadline)
             ? 1
             : 0;
}

}  // namespace

SqliteEngine::~SqliteEngine() {
  for (sqlite3* db : pool_) sqlite3_close(db);
}

bool SqliteEngine::Open(const std::string& folder, std::string& error) {
  std::string documentsFile = (std::filesystem::path(folder) / "documents.ktf").string();
  indexFile_ = (std::filesystem::path(folder) / "index.sqlite").string();
  std::string stamp = IndexLayout::SourceStamp(documentsFile);
  if (stamp.empty()) {
    error = "no documents.ktf in " + folder;
    return false;
  }
  if (!IndexIsCurrent(stamp) && !IndexBuilder::Build(documentsFile, indexFile_, error)) {
    return false;
  }
  sqlite3* db = Acquire(error);
  if (db == nullptr) return false;
  std::string count;
  bool ok = IndexLayout::ReadMeta(db, "count", count);
  Release(db);
  if (!ok) {
    error = "index " + indexFile_ + " holds no document count";
    return false;
  }
  count_ = std::stoull(count);
  return true;
}

// True when the index exists, has this build's schema and was built from
// documents with `stamp`.
bool SqliteEngine::IndexIsCurrent(const std::string& stamp) const {
  sqlite3* db = nullptr;
  bool current = false;
  if (sqlite3_open_v2(indexFile_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    std::string schema, source;
    current = IndexLayout::ReadMeta(db, "schema", schema) &&
              schema == IndexLayout::kSchemaVersion &&
              IndexLayout::ReadMeta(db, "source", source) && source == stamp;
  }
  sqlite3_close(db);
  return current;
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
      !NearFunction::Register(db)) {
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
  if (db == nullptr) {
    error = EngineFailure(error);
    return false;
  }
  QueryEvaluator::Clock::time_point deadline = QueryEvaluator::Clock::now() + timeLimit_;
  sqlite3_progress_handler(db, 1000, PastDeadline, &deadline);
  QueryEvaluator evaluator(db, count_, sets, deadline);
  bool ok = evaluator.Evaluate(question, hits);
  sqlite3_progress_handler(db, 0, nullptr, nullptr);
  if (!ok && evaluator.TimedOut()) {
    error = "the question takes longer than " + std::to_string(timeLimit_.count()) +
            " ms to answer; narrow it";
  } else if (!ok && evaluator.Error().rfind("search engine: ", 0) == 0) {
    error = EngineFailure(evaluator.Error().substr(15));
  } else if (!ok) {
    error = evaluator.Error().empty() ? "the question cannot be run" : evaluator.Error();
  }
  Release(db);
  return ok;
}

bool SqliteEngine::Fetch(const HitList& hits, size_t position, size_t count,
                         std::vector<std::string>& documents, std::string& error) {
  documents.clear();
  if (position == 0 || position > hits.size()) return true;
  sqlite3* db = Acquire(error);
  if (db == nullptr) {
    error = EngineFailure(error);
    return false;
  }
  bool ok = true;
  {
    SqliteStatement stmt(db, "SELECT ktf FROM docs WHERE id = ?1");
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
    if (!ok) error = EngineFailure(sqlite3_errmsg(db));
  }
  Release(db);
  return ok;
}

bool SqliteEngine::FindByNumber(const std::string& number, std::string& document) {
  std::string error;
  sqlite3* db = Acquire(error);
  if (db == nullptr) {
    ReportDiagnostic(DiagnosticLevel::kDebug, ("search engine: " + error).c_str());
    return false;
  }
  bool found = false;
  {
    SqliteStatement stmt(db, "SELECT ktf FROM docs WHERE pn = ?1 LIMIT 1");
    int rc = SQLITE_ERROR;
    if (stmt.ok()) {
      sqlite3_bind_text(stmt.get(), 1, number.c_str(), -1, SQLITE_TRANSIENT);
      rc = sqlite3_step(stmt.get());
    }
    if (rc == SQLITE_ROW) {
      const char* data = static_cast<const char*>(sqlite3_column_blob(stmt.get(), 0));
      document.assign(data ? data : "", sqlite3_column_bytes(stmt.get(), 0));
      found = true;
    } else if (rc != SQLITE_DONE) {
      ReportDiagnostic(DiagnosticLevel::kDebug,
                       (std::string("search engine: ") + sqlite3_errmsg(db)).c_str());
    }
  }
  Release(db);
  return found;
}

bool SqliteEngine::Terms(const std::string& code, const std::string& term, TermCounts& terms,
                         std::string& error) {
  sqlite3* db = Acquire(error);
  if (db == nullptr) {
    error = EngineFailure(error);
    return false;
  }
  std::string detail;
  const bool ok = TermIndex::List(db, IndexLayout::Column(code), term, terms, detail);
  Release(db);
  if (!ok) error = EngineFailure(detail);
  return ok;
}
