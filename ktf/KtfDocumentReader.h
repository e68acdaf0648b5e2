#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ktf/KtfDocument.h"
#include "platform/Export.h"

// Reads text in the KTF document form (docs/ktf-document.md): documents
// separated by empty lines, one CODE=VALUE line per field, "#" comment lines,
// LF or CR LF line ends, the escapes \\, \n and \r inside values, and FP
// values of five words. Fields keep their order. It does not guess: the first
// line that breaks the form fails the whole read.
class SORREL_EXPORT KtfDocumentReader {
 public:
  using Document = KtfDocument;

  // Reads every document of the file at `path` (kernel file calls). False
  // when the file cannot be read or a line breaks the form; error() then says
  // which line and why, and documents() holds nothing.
  bool ReadFile(const char* path);
  // The same for text already in memory.
  bool Parse(std::string_view text);

  // The documents of the last successful read, in order.
  const std::vector<Document>& documents() const { return m_documents; }
  // Why the last read failed ("line 12: ..." for a line that breaks the
  // form), "" after a success.
  const std::string& error() const { return m_error; }

 private:
  bool Fail(const std::string& why);

  std::vector<Document> m_documents;  // documents read
  std::string m_error;                // why the last read failed
};
