#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "server/SearchEngine.h"

struct sqlite3;

// The embedded engine: the documents of a base indexed into one SQLite file
// ("index.sqlite" beside "documents.ktf") with an FTS5 table for the words,
// a table of numeric values for dates and numbers, and one of field presence.
// Questions are evaluated leaf by leaf into sorted hit lists; a subtree made
// only of words joined by AND, OR and NOT goes to FTS5 as one expression.
// Thread-safe: each call borrows a read-only connection from a pool.
class SqliteEngine : public SearchEngine {
 public:
  SqliteEngine() = default;
  ~SqliteEngine() override;
  SqliteEngine(const SqliteEngine&) = delete;
  SqliteEngine& operator=(const SqliteEngine&) = delete;

  bool Open(const std::string& folder, std::string& error) override;
  size_t DocumentCount() const override { return count_; }
  bool Run(const QueryNode& question, const Sets& sets, HitList& hits, std::string& error) override;
  bool Fetch(const HitList& hits, size_t position, size_t count,
             std::vector<std::string>& documents, std::string& error) override;
  bool FindByNumber(const std::string& number, std::string& document) override;

  // Writes the index of `documentsFile` into `indexFile` (replaced whole).
  // False with `error` set on a document that does not read or a write that
  // fails.
  static bool BuildIndex(const std::string& documentsFile, const std::string& indexFile,
                         std::string& error);
  // Most words a truncated term may stand for.
  static constexpr size_t kMaxExpansion = 1000;

  // Borrows a connection; false with `error` set when none can be opened.
  sqlite3* Acquire(std::string& error);
  void Release(sqlite3* connection);

 private:
  std::string indexFile_;
  size_t count_ = 0;
  std::mutex poolMutex_;
  std::vector<sqlite3*> pool_;  // idle connections
};
