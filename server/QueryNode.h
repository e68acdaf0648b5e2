#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A parsed KTF search question: a tree of operators over leaves.
struct QueryNode {
  enum class Kind {
    kTerm,       // `term` in any of `fields`
    kCompare,    // a value of `fields` (numeric) in [low, high], or outside it when `negate`
    kPresence,   // documents that hold field `fields[0]`
    kSetRef,     // the hits of the session's earlier question number `set`
    kAll,        // every document (left side of a leading NOT)
    kAnd,        // left and right
    kOr,         // left or right
    kAndNot,     // left and not right
    kOrNot,      // left or not right
    kProximity,  // left near right, as the proximity fields say
  };

  Kind kind = Kind::kTerm;
  std::vector<std::string> fields;  // field codes, upper case
  std::string term;                 // lower-case word; "*", "?", "#" are wildcards
  int64_t low = 0;                  // kCompare: inclusive bounds
  int64_t high = 0;
  bool negate = false;   // kCompare: "<>"
  int set = 0;           // kSetRef: 1-based question number
  int distance = 0;      // kProximity: most words between, -1 for any
  bool ordered = false;  // kProximity: right must follow left
  bool exact = false;    // kProximity: exactly `distance` words between
  std::unique_ptr<QueryNode> left;
  std::unique_ptr<QueryNode> right;

  // A canonical, fully bracketed rendering, used in the answer to a check.
  std::string ToString() const;
};
