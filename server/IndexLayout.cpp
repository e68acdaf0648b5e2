#include "server/IndexLayout.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include "server/SqliteStatement.h"

std::string IndexLayout::Column(const std::string& code) {
  std::string name = "f_";
  for (char c : code) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return name;
}

std::string IndexLayout::ColumnFilter(const std::vector<std::string>& fields) {
  std::string filter = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) filter += ' ';
    filter += Column(fields[i]);
  }
  return filter + "}";
}

std::string IndexLayout::SourceStamp(const std::string& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return {};
  return std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

bool IndexLayout::ReadMeta(sqlite3* db, const char* key, std::string& value) {
  SqliteStatement stmt(db, "SELECT value FROM meta WHERE key = ?1");
  if (!stmt.ok()) return false;
  sqlite3_bind_text(stmt.get(), 1, key, -1, SQLITE_STATIC);
  if (sqlite3_step(stmt.get()) != SQLITE_ROW) return false;
  value = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
  return true;
}
