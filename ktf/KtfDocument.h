#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Export.h"

// One document in the KTF document form (docs/ktf-document.md): field codes
// with their values, in order, repeated codes allowed. Values hold the
// unescaped bytes. A plain value: copies are deep, nothing is shared.
class SORREL_EXPORT KtfDocument {
 public:
  using Field = std::pair<std::string, std::string>;  // code, value
  using const_iterator = std::vector<Field>::const_iterator;

  KtfDocument() = default;
  // The fields as given, in order; codes are not checked here (the reader
  // checks what it reads).
  KtfDocument(std::initializer_list<Field> fields);

  // Appends one field after the others.
  void Add(std::string code, std::string value);
  // The values of `code`, in order; empty when the document has none.
  std::vector<std::string> Values(std::string_view code) const;
  // The first value of `code`, or an empty text.
  std::string First(std::string_view code) const;

  // The fields as (code, value) pairs, in order.
  const_iterator begin() const { return fields_.begin(); }
  const_iterator end() const { return fields_.end(); }
  size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }
  // The field at `index`, which must be below size().
  const Field& operator[](size_t index) const { return fields_[index]; }
  bool operator==(const KtfDocument&) const = default;

  // True for a field code: an upper-case ASCII letter, then upper-case ASCII
  // letters and digits.
  static bool IsFieldCode(std::string_view code);
  // The five words FILE HEIGHT WIDTH X Y of an FP value into `words`. False,
  // with `words` unspecified, unless there are exactly five non-empty words
  // separated by one blank each.
  static bool PageWords(std::string_view value, std::array<std::string, 5>& words);

 private:
  std::vector<Field> fields_;
};
