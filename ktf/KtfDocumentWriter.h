#pragma once

#include <string>
#include <string_view>

#include "ktf/KtfDocument.h"
#include "platform/Export.h"

// Writes the KTF document form (docs/ktf-document.md): what it writes, the
// reader (KtfDocumentReader) reads back byte for byte. Holds no state and
// never fails; field codes are written as the document holds them.
class SORREL_EXPORT KtfDocumentWriter {
 public:
  // `value` with its backslashes, line feeds and carriage returns escaped
  // (\\, \n, \r); every other byte stands for itself.
  static std::string Escape(std::string_view value);
  // The document's field lines, CODE=VALUE with escaped values, each ending
  // in LF. No empty line follows: a file of documents puts one between them.
  static std::string ToText(const KtfDocument& document);
};
