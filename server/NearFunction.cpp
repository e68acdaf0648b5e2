#include "server/NearFunction.h"

#include <sqlite3.h>

#include <vector>

#include "platform/DiagnosticSink.h"
#include "server/SqliteStatement.h"

namespace {

struct Instance {
  int column, offset;
};

// The gap in words between instances `l` (of `leftSize` words) and `r`
// (of `rightSize`): r after l, or before it when the order is free. False
// when they overlap or are in the wrong order.
bool Gap(const Instance& l, const Instance& r, int leftSize, int rightSize, bool ordered,
         int& gap) {
  if (r.offset >= l.offset + leftSize) {
    gap = r.offset - l.offset - leftSize;
  } else if (!ordered && l.offset >= r.offset + rightSize) {
    gap = l.offset - r.offset - rightSize;
  } else {
    return false;
  }
  return true;
}

void Near(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context, int argc,
          sqlite3_value** argv) {
  if (argc != 3) {
    sqlite3_result_error(context, "sorrel_near takes three arguments", -1);
    return;
  }
  int distance = sqlite3_value_int(argv[0]);
  bool ordered = sqlite3_value_int(argv[1]) != 0;
  bool exact = sqlite3_value_int(argv[2]) != 0;
  int count = 0;
  if (api->xInstCount(fts, &count) != SQLITE_OK) {
    sqlite3_result_error(context, "sorrel_near: no instances", -1);
    return;
  }
  int leftSize = api->xPhraseSize(fts, 0);
  int rightSize = api->xPhraseSize(fts, 1);
  std::vector<Instance> lefts, rights;
  for (int i = 0; i < count; ++i) {
    int phrase, column, offset;
    if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK) {
      ReportDiagnostic(DiagnosticLevel::kDebug, "sorrel_near: a phrase instance does not read");
      continue;
    }
    (phrase == 0 ? lefts : rights).push_back({column, offset});
  }
  for (const Instance& l : lefts) {
    for (const Instance& r : rights) {
      int gap;
      if (l.column != r.column || !Gap(l, r, leftSize, rightSize, ordered, gap)) continue;
      if (distance < 0 || (exact ? gap == distance : gap <= distance)) {
        sqlite3_result_int(context, 1);
        return;
      }
    }
  }
  sqlite3_result_int(context, 0);
}

}  // namespace

bool NearFunction::Register(sqlite3* db) {
  fts5_api* api = nullptr;
  SqliteStatement stmt(db, "SELECT fts5(?1)");
  if (!stmt.ok()) return false;
  sqlite3_bind_pointer(stmt.get(), 1, &api, "fts5_api_ptr", nullptr);
  sqlite3_step(stmt.get());
  if (api == nullptr) return false;
  return api->xCreateFunction(api, "sorrel_near", nullptr, &Near, nullptr) == SQLITE_OK;
}
