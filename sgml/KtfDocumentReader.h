#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Export.h"
#include "sgml/K2S_Return.h"

class clKTF2SGML;

// Reads files in the KTF document form: documents separated by empty lines,
// one CODE=VALUE line per field, "#" comment lines, LF or CR LF line ends,
// and the escapes \\, \n and \r inside values. Fields keep their order.
class SORREL_EXPORT KtfDocumentReader {
 public:
  // One document: (code, value) pairs in file order, values unescaped.
  using Document = std::vector<std::pair<std::string, std::string>>;

  // Reads every document of the file at `path` (kernel file calls). False
  // when the file cannot be read or a line is malformed; error() then says
  // which line and why, and documents() holds nothing.
  bool ReadFile(const char* path);
  // The same for text already in memory.
  bool Parse(const std::string& text);

  const std::vector<Document>& documents() const { return m_documents; }
  // Why the last read failed, "" after a success.
  const std::string& error() const { return m_error; }

  // Hands one document to `converter`: each "FP" field (FILE HEIGHT WIDTH X Y)
  // as image parameters with the prefix "IMG", every other field as KTF data,
  // in order (Parse has checked that every FP value has five words). The
  // first status that is not K2S_OK ends it and is returned.
  static K2S_Return Insert(const Document& document, clKTF2SGML& converter);

 private:
  bool Fail(size_t line, const std::string& why);

  std::vector<Document> m_documents;  // documents read
  std::string m_error;                // why the last read failed
};
