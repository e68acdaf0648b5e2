#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "server/QueryParser.h"
#include "server/SqliteStatement.h"

class KtfDocument;
struct sqlite3;
struct sqlite3_stmt;

// Writes the index of a base's documents (IndexLayout): each document's
// text, its words per field, the numeric values of its date and number
// fields and the fields it holds. The documents are read one at a time, so
// a large base never sits in memory whole.
class IndexBuilder {
 public:
  // Writes the index of `documentsFile` into `indexFile`: built in
  // "INDEXFILE.building" and renamed over `indexFile` once complete, with
  // 0644 less the umask (SQLite alone would give 0644 whatever the umask). False
  // with `error` set on a document that does not read ("FILE: line N: ..."),
  // a write that fails or a rename refused; `indexFile` is then untouched.
  static bool Build(const std::string& documentsFile, const std::string& indexFile,
                    std::string& error);

 private:
  IndexBuilder(sqlite3* db, const std::string& documentsFile, std::string& error)
      : db_(db), documentsFile_(documentsFile), error_(error) {}

  static bool Fill(sqlite3* db, std::istream& in, const std::string& documentsFile, int64_t& count,
                   std::string& error);
  bool Prepare();
  bool ReadDocuments(std::istream& in);
  bool AddChunk(const std::string& chunk, size_t chunkStart);
  bool Insert(const KtfDocument& doc);
  bool InsertField(int column, const std::string& code, QueryParser::FieldType type,
                   const std::vector<std::string>& values);
  bool Step(sqlite3_stmt* stmt);

  sqlite3* db_;
  const std::string& documentsFile_;
  std::string& error_;
  int64_t count_ = 0;  // documents inserted, and the number of the last one
  std::unique_ptr<SqliteStatement> docInsert_, wordInsert_, numberInsert_, presenceInsert_;
};
