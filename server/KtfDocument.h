#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One document in the KTF document form (docs/ktf-document.md): field codes
// with their values, in order, repeated codes allowed. Values hold the
// unescaped bytes.
class KtfDocument {
 public:
  using Field = std::pair<std::string, std::string>;  // code, value

  void Add(std::string code, std::string value);
  const std::vector<Field>& Fields() const { return fields_; }
  // The values of `code`, in order; empty when the document has none.
  std::vector<std::string> Values(std::string_view code) const;
  // The first value of `code`, or an empty text.
  std::string First(std::string_view code) const;
  bool Empty() const { return fields_.empty(); }

  // The document as field lines with escaped values, each ending in LF, no
  // separating empty line.
  std::string ToText() const;

  // Reads every document of `text` into `documents` (appended). False with
  // `error` naming the line ("line 12: ...") on the first line that is not a
  // field, comment or empty line, or on a bad escape; documents read before
  // it stay in `documents`.
  static bool ParseAll(std::string_view text, std::vector<KtfDocument>& documents,
                       std::string& error);
  // True for a field code: an upper-case ASCII letter, then upper-case ASCII
  // letters and digits.
  static bool IsFieldCode(std::string_view code);
  static std::string Escape(std::string_view value);
  // False on a backslash followed by anything but \, n or r, or at the end.
  static bool Unescape(std::string_view text, std::string& value);

 private:
  std::vector<Field> fields_;
};
