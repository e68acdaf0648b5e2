#include "server/IndexTokenizer.h"

#include <sqlite3.h>

#include "server/SqliteStatement.h"

namespace {

int AddToken(void* folded, int, const char* token, int size, int, int) {
  static_cast<std::string*>(folded)->append(token, static_cast<size_t>(size));
  return SQLITE_OK;
}

}  // namespace

bool IndexTokenizer::Fold(sqlite3* db, const std::string& text, std::string& folded,
                          std::string& error) {
  fts5_api* api = nullptr;
  {
    SqliteStatement stmt(db, "SELECT fts5(?1)");
    if (stmt.ok()) {
      sqlite3_bind_pointer(stmt.get(), 1, &api, "fts5_api_ptr", nullptr);
      sqlite3_step(stmt.get());
    }
  }
  void* context = nullptr;
  fts5_tokenizer methods{};
  Fts5Tokenizer* tokenizer = nullptr;
  if (api == nullptr || api->xFindTokenizer(api, "unicode61", &context, &methods) != SQLITE_OK ||
      methods.xCreate(context, nullptr, 0, &tokenizer) != SQLITE_OK) {
    error = "no unicode61 tokenizer";
    return false;
  }
  folded.clear();
  const int rc = methods.xTokenize(tokenizer, &folded, FTS5_TOKENIZE_QUERY, text.data(),
                                   static_cast<int>(text.size()), &AddToken);
  methods.xDelete(tokenizer);
  if (rc != SQLITE_OK) {
    error = sqlite3_errstr(rc);
    return false;
  }
  return true;
}
