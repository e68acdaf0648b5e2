#include "server/SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) {
  sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }
