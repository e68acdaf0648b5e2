#include "server/IndexBuilder.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "ktf/KtfDocumentReader.h"
#include "ktf/KtfDocumentWriter.h"
#include "server/IndexLayout.h"
#include "server/Latin1.h"

namespace {

bool Exec(sqlite3* db, const std::string& sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    error = std::string("index: ") + (message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
  }
  return true;
}

// SQLite gives a new database 0644 whatever the umask. The empty file made
// here first shows what the umask leaves of 0644, the mode the finished
// index gets, as the base's other files do.
bool CreateEmpty(const std::string& path, mode_t& mode, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  struct stat info {};
  const bool ok = fd >= 0 && ::fstat(fd, &info) == 0;
  if (fd >= 0) ::close(fd);
  if (!ok) error = "cannot create " + path;
  mode = info.st_mode & 0644;
  return ok;
}

// "f_pn, f_ti, ..., " : the FTS5 columns, one per field.
std::string FieldColumns() {
  std::string columns;
  for (const auto& field : QueryParser::Fields())
    columns += IndexLayout::Column(field.first) + ", ";
  return columns;
}

// The tables, in one transaction that Finish commits.
bool CreateTables(sqlite3* db, std::string& error) {
  return Exec(db,
              "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
              "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);"
              "CREATE TABLE docs(id INTEGER PRIMARY KEY, pn TEXT, ktf BLOB);"
              "CREATE TABLE numbers(code TEXT, value INTEGER, doc INTEGER);"
              "CREATE TABLE presence(code TEXT, doc INTEGER);"
              "CREATE VIRTUAL TABLE fts USING fts5(" +
                  FieldColumns() +
                  "content='', tokenize='unicode61');"
                  "CREATE VIRTUAL TABLE fts_vocab USING fts5vocab(fts, row);"
                  "BEGIN;",
              error);
}

// The lookup indexes and the meta keys, then the commit.
bool Finish(sqlite3* db, const std::string& documentsFile, int64_t count, std::string& error) {
  return Exec(db,
              "CREATE INDEX numbers_by_value ON numbers(code, value, doc);"
              "CREATE INDEX presence_by_code ON presence(code, doc);"
              "CREATE INDEX docs_by_pn ON docs(pn);"
              "INSERT INTO meta VALUES ('schema', '" +
                  std::string(IndexLayout::kSchemaVersion) + "'), ('source', '" +
                  IndexLayout::SourceStamp(documentsFile) + "'), ('count', '" +
                  std::to_string(count) + "');COMMIT;",
              error);
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

}  // namespace

bool IndexBuilder::Build(const std::string& documentsFile, const std::string& indexFile,
                         std::string& error) {
  std::ifstream in(documentsFile, std::ios::binary);
  if (!in) {
    error = "cannot read " + documentsFile;
    return false;
  }
  std::string temporary = indexFile + ".building";
  std::filesystem::remove(temporary);
  mode_t mode = 0;
  if (!CreateEmpty(temporary, mode, error)) return false;
  sqlite3* db = nullptr;
  if (sqlite3_open(temporary.c_str(), &db) != SQLITE_OK) {
    error = "cannot create " + temporary;
    sqlite3_close(db);
    return false;
  }
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
  int64_t count = 0;
  if (!CreateTables(db, error) || !Fill(db, in, documentsFile, count, error) ||
      !Finish(db, documentsFile, count, error)) {
    return false;
  }
  guard.reset();
  if (::chmod(temporary.c_str(), mode) != 0) {
    error = "cannot set the permissions of " + temporary;
    return false;
  }
  std::error_code code;
  std::filesystem::rename(temporary, indexFile, code);
  if (code) {
    error = "cannot replace " + indexFile + ": " + code.message();
    return false;
  }
  return true;
}

// The builder and its statements live in here, so that every statement is
// finalized before the connection closes; a close with statements open
// would fail and leak.
bool IndexBuilder::Fill(sqlite3* db, std::istream& in, const std::string& documentsFile,
                        int64_t& count, std::string& error) {
  IndexBuilder builder(db, documentsFile, error);
  if (!builder.Prepare() || !builder.ReadDocuments(in)) return false;
  count = builder.count_;
  return true;
}

bool IndexBuilder::Prepare() {
  std::string columns = FieldColumns();
  std::string ftsInsert =
      "INSERT INTO fts(rowid, " + columns.substr(0, columns.size() - 2) + ") VALUES (?1";
  for (size_t i = 0; i < QueryParser::Fields().size(); ++i) {
    ftsInsert += ", ?" + std::to_string(i + 2);
  }
  ftsInsert += ")";
  docInsert_ =
      std::make_unique<SqliteStatement>(db_, "INSERT INTO docs(id, pn, ktf) VALUES (?1, ?2, ?3)");
  wordInsert_ = std::make_unique<SqliteStatement>(db_, ftsInsert.c_str());
  numberInsert_ = std::make_unique<SqliteStatement>(
      db_, "INSERT INTO numbers(code, value, doc) VALUES (?1, ?2, ?3)");
  presenceInsert_ =
      std::make_unique<SqliteStatement>(db_, "INSERT INTO presence(code, doc) VALUES (?1, ?2)");
  if (!docInsert_->ok() || !wordInsert_->ok() || !numberInsert_->ok() || !presenceInsert_->ok()) {
    error_ = std::string("index: ") + sqlite3_errmsg(db_);
    return false;
  }
  return true;
}

// Documents are separated by empty lines; each one is read and inserted
// before the next is gathered.
bool IndexBuilder::ReadDocuments(std::istream& in) {
  std::string line, chunk;
  size_t lineNumber = 0, chunkStart = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      if (!chunk.empty() && !AddChunk(chunk, chunkStart)) return false;
      chunk.clear();
      continue;
    }
    if (chunk.empty()) chunkStart = lineNumber;
    chunk += line;
    chunk += '\n';
  }
  return chunk.empty() || AddChunk(chunk, chunkStart);
}

bool IndexBuilder::AddChunk(const std::string& chunk, size_t chunkStart) {
  KtfDocumentReader documents;
  if (!documents.Parse(chunk)) {
    const std::string& problem = documents.error();
    // The reader counts lines from the document's first; the file's count is wanted.
    size_t relative = std::strtoul(problem.c_str() + std::strlen("line "), nullptr, 10);
    error_ = documentsFile_ + ": line " + std::to_string(chunkStart + relative - 1) +
             problem.substr(problem.find(':'));
    return false;
  }
  for (const auto& doc : documents.documents()) {
    if (!Insert(doc)) return false;
  }
  return true;
}

bool IndexBuilder::Insert(const KtfDocument& doc) {
  int64_t id = ++count_;
  std::string ktf = KtfDocumentWriter::ToText(doc);
  std::string pn = doc.First("PN");
  sqlite3_bind_int64(docInsert_->get(), 1, id);
  sqlite3_bind_text(docInsert_->get(), 2, pn.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_blob(docInsert_->get(), 3, ktf.data(), static_cast<int>(ktf.size()),
                    SQLITE_TRANSIENT);
  if (!Step(docInsert_->get())) return false;
  sqlite3_bind_int64(wordInsert_->get(), 1, id);
  const auto& fields = QueryParser::Fields();
  for (size_t f = 0; f < fields.size(); ++f) {
    const auto& [code, type] = fields[f];
    if (!InsertField(static_cast<int>(f + 2), code, type, doc.Values(code))) return false;
  }
  return Step(wordInsert_->get());
}

// Binds the field's words to parameter `column` of the word insert and adds
// its numeric values and its presence.
bool IndexBuilder::InsertField(int column, const std::string& code, QueryParser::FieldType type,
                               const std::vector<std::string>& values) {
  std::string joined;
  bool present = false;
  for (const auto& value : values) {
    present = present || !value.empty();
    if (!joined.empty()) joined += '\n';
    joined += Latin1ToUtf8(value);
    int64_t number;
    if (type != QueryParser::FieldType::kText && NumericValue(type, value, number)) {
      sqlite3_bind_text(numberInsert_->get(), 1, code.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int64(numberInsert_->get(), 2, number);
      sqlite3_bind_int64(numberInsert_->get(), 3, count_);
      if (!Step(numberInsert_->get())) return false;
    }
  }
  sqlite3_bind_text(wordInsert_->get(), column, joined.c_str(), -1, SQLITE_TRANSIENT);
  if (present) {
    sqlite3_bind_text(presenceInsert_->get(), 1, code.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int64(presenceInsert_->get(), 2, count_);
    if (!Step(presenceInsert_->get())) return false;
  }
  return true;
}

bool IndexBuilder::Step(sqlite3_stmt* stmt) {
  bool done = sqlite3_step(stmt) == SQLITE_DONE;
  sqlite3_reset(stmt);
  if (!done) error_ = std::string("index: ") + sqlite3_errmsg(db_);
  return done;
}
