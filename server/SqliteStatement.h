#pragma once

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalized when the object goes away. A
// statement that does not prepare is null: ok() tells, and the connection's
// sqlite3_errmsg says why.
class SqliteStatement {
 public:
  // Prepares `sql` on `db`, which must outlive the statement.
  SqliteStatement(sqlite3* db, const char* sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  sqlite3_stmt* get() const { return stmt_; }
  bool ok() const { return stmt_ != nullptr; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};
