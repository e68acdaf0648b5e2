#pragma once

struct sqlite3;

// The FTS5 auxiliary function sorrel_near(fts, distance, ordered, exact):
// 1 when an instance of the match's second phrase lies within `distance`
// words of one of its first phrase in the same column (after it when
// `ordered`; exactly `distance` words between when `exact`; any distance
// when `distance` is negative), else 0. FTS5's own NEAR knows neither order
// nor an exact gap.
class NearFunction {
 public:
  // Makes sorrel_near known to connection `db`; false when FTS5 refuses it.
  static bool Register(sqlite3* db);
};
