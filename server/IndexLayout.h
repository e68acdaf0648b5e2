#pragma once

#include <string>
#include <vector>

struct sqlite3;

// What the index file of a base holds, shared by the code that writes it
// and the code that reads it: an FTS5 table "fts" with one column per field
// (Column), the word list "fts_vocab", the tables "docs", "numbers" and
// "presence", and a "meta" table of keys (schema, source, count).
class IndexLayout {
 public:
  // The schema this build writes; an index of another one is rebuilt.
  static constexpr const char* kSchemaVersion = "2";

  // The FTS5 column of field `code`: "f_" and the code in lower case.
  static std::string Column(const std::string& code);
  // An FTS5 column filter over `fields`: "{f_ti f_ab}".
  static std::string ColumnFilter(const std::vector<std::string>& fields);
  // The stamp of the documents an index was built from (size and
  // modification time of `file`); empty when the file cannot be read.
  static std::string SourceStamp(const std::string& file);
  // Reads meta key `key` of `db`; false, `value` untouched, when it has none.
  static bool ReadMeta(sqlite3* db, const char* key, std::string& value);
};
