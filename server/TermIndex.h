#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

// The term index of a base's text fields: the words of one field around a
// given word, each with the number of documents whose field holds it, read
// from FTS5's vocabulary of the field's column. The protocol has no
// operation for it, so a base offers it as a text file of a reserved name
// (kFilePrefix + FIELD + "/" + TERM); no file of the base can have that name,
// since served file names never start with a full stop.
class TermIndex {
 public:
  static constexpr const char* kFilePrefix = ".index/";
  static constexpr size_t kBefore = 3;  // words listed before TERM
  static constexpr size_t kFrom = 12;   // words listed from TERM on

  // A word as the index holds it (folded to lower case, UTF-8) and its
  // document count.
  using Entry = std::pair<std::string, long long>;

  // True when `file` is an index file name; its field and term (the term
  // may be empty: the start of the field's words) in `field` and `term`.
  static bool Parse(const std::string& file, std::string& field, std::string& term);
  // The entries of FTS5 column `column` around `term` (folded to lower case),
  // in word order, on `db`. False with `error` set when SQLite fails.
  static bool List(sqlite3* db, const std::string& column, const std::string& term,
                   std::vector<Entry>& entries, std::string& error);
  // The file's text, Latin-1 as the base's other text files: one
  // "TERM<TAB>DOCUMENTS" line per entry.
  static std::string Text(const std::vector<Entry>& entries);
};
