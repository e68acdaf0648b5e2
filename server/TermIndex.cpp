#include "server/TermIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

#include "server/IndexTokenizer.h"
#include "server/SqliteStatement.h"

namespace {

// The vocabulary by column, made once per connection in its temporary
// schema: the index file itself stays read-only.
constexpr const char* kVocabulary =
    "CREATE VIRTUAL TABLE IF NOT EXISTS temp.sorrel_terms USING fts5vocab(main, fts, col)";

bool Collect(sqlite3* db, const char* sql, const std::string& column, const std::string& term,
             size_t limit, std::vector<TermIndex::Entry>& entries) {
  SqliteStatement stmt(db, sql);
  if (!stmt.ok()) return false;
  sqlite3_bind_text(stmt.get(), 1, column.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(stmt.get(), 2, term.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(stmt.get(), 3, static_cast<sqlite3_int64>(limit));
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
    entries.push_back({text ? text : "", sqlite3_column_int64(stmt.get(), 1)});
  }
  return rc == SQLITE_DONE;
}

// UTF-8 written as Latin-1, as the base's text files are; a character
// beyond Latin-1 becomes '?'.
std::string ToLatin1(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c & 0xE0) == 0xC0 && c <= 0xC3 && i + 1 < text.size()) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else if ((c & 0xC0) != 0x80) {
      out += '?';
    }
  }
  return out;
}

}  // namespace

bool TermIndex::Parse(const std::string& file, std::string& field, std::string& term) {
  const std::string prefix = kFilePrefix;
  if (file.compare(0, prefix.size(), prefix) != 0) return false;
  const size_t slash = file.find('/', prefix.size());
  field = file.substr(prefix.size(),
                      slash == std::string::npos ? std::string::npos : slash - prefix.size());
  term = slash == std::string::npos ? "" : file.substr(slash + 1);
  std::transform(field.begin(), field.end(), field.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return true;
}

bool TermIndex::List(sqlite3* db, const std::string& column, const std::string& term,
                     std::vector<Entry>& entries, std::string& error) {
  // The index holds its words folded (no capitals, no accents): the listing
  // starts where the folded word falls.
  std::string folded;
  if (!IndexTokenizer::Fold(db, term, folded, error)) return false;
  std::vector<Entry> before;
  entries.clear();
  const bool ok = sqlite3_exec(db, kVocabulary, nullptr, nullptr, nullptr) == SQLITE_OK &&
                  Collect(db,
                          "SELECT term, doc FROM temp.sorrel_terms WHERE col = ?1 AND term < ?2 "
                          "ORDER BY term DESC LIMIT ?3",
                          column, folded, kBefore, before) &&
                  Collect(db,
                          "SELECT term, doc FROM temp.sorrel_terms WHERE col = ?1 AND term >= ?2 "
                          "ORDER BY term LIMIT ?3",
                          column, folded, kFrom, entries);
  if (!ok) {
    error = sqlite3_errmsg(db);
    return false;
  }
  entries.insert(entries.begin(), before.rbegin(), before.rend());
  return true;
}

std::string TermIndex::Text(const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& entry : entries) {
    text += ToLatin1(entry.first) + "\t" + std::to_string(entry.second) + "\n";
  }
  return text;
}
