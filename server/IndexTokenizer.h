#pragma once

#include <string>

struct sqlite3;

// The index's own word folding (FTS5's unicode61 tokenizer, as IndexBuilder
// makes the index: case and diacritics taken off), for the words that do
// not go through MATCH: the pieces of a truncated word matched against the
// index's word list, and the word an index listing starts from.
class IndexTokenizer {
 public:
  // The tokens of UTF-8 `text` as the index holds them, written one after
  // the other ("Mü" gives "mu"); false, with the reason in `error`,
  // when connection `db` offers no FTS5 or no unicode61 tokenizer.
  static bool Fold(sqlite3* db, const std::string& text, std::string& folded,
                   std::string& error);
};
