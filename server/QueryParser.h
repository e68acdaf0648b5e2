#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "server/QueryNode.h"

// Parses the KTF search expressions that the VERGER translator writes
// ("TI AB=solar +5W cell AND PD>=2000") into a QueryNode tree. The grammar is
// in docs/server.md. Nothing is trusted: every failure is an error text, never
// an exception or a partial tree.
class QueryParser {
 public:
  enum class FieldType { kText, kNumber, kDate };

  // The field codes a question may name, with their types.
  static const std::vector<std::pair<std::string, FieldType>>& Fields();
  // The type of `code`; false when the code is not a field.
  static bool TypeOf(std::string_view code, FieldType& type);
  // The fields a term written without any field prefix searches.
  static const std::vector<std::string>& DefaultFields();

  // Longest question accepted, in bytes, deepest bracket nesting, and most
  // operators (AND, OR, NOT, proximity ...) in one question.
  static constexpr size_t kMaxQuestionLength = 65536;
  static constexpr int kMaxDepth = 64;
  static constexpr size_t kMaxOperators = 2048;

  // True with the tree in `root`; false with `error` saying what and where
  // ("column 7: ...") and `root` unspecified.
  static bool Parse(std::string_view question, QueryNode& root, std::string& error);
};
