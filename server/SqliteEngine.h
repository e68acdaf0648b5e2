#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "server/SearchEngine.h"

struct sqlite3;

// The embedded engine: the documents of a base indexed into one SQLite file
// ("index.sqlite" beside "documents.ktf", written by IndexBuilder, laid out
// as IndexLayout says), questions answered by QueryEvaluator. The index is
// rebuilt when the documents' size or time changed. Thread-safe: each call
// borrows a read-only connection from a pool. A question runs for at most
// the time limit; SQLite's own failure texts go to the diagnostic sink, the
// caller gets a plain "search engine: ..." sentence.
class SqliteEngine : public SearchEngine {
 public:
  SqliteEngine() = default;
  ~SqliteEngine() override;
  SqliteEngine(const SqliteEngine&) = delete;
  SqliteEngine& operator=(const SqliteEngine&) = delete;

  // Longest a question may run before it is stopped (default kTimeLimit).
  static constexpr std::chrono::milliseconds kTimeLimit{10000};
  void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }

  bool Open(const std::string& folder, std::string& error) override;
  size_t DocumentCount() const override { return count_; }
  bool Run(const QueryNode& question, const Sets& sets, HitList& hits, std::string& error) override;
  bool Fetch(const HitList& hits, size_t position, size_t count,
             std::vector<std::string>& documents, std::string& error) override;
  bool FindByNumber(const std::string& number, std::string& document) override;
  bool Terms(const std::string& code, const std::string& term, TermCounts& terms,
             std::string& error) override;

  // Borrows a connection; null with `error` set when none can be opened.
  sqlite3* Acquire(std::string& error);
  // Gives back a connection that Acquire lent.
  void Release(sqlite3* connection);

 private:
  bool IndexIsCurrent(const std::string& stamp) const;

  std::string indexFile_;
  std::chrono::milliseconds timeLimit_ = kTimeLimit;
  size_t count_ = 0;
  std::mutex poolMutex_;
  std::vector<sqlite3*> pool_;  // idle connections
};
