// Reads arbitrary bytes as text in the KTF document form. A read either
// fails with a reason that names a line and keeps no document, or succeeds;
// then every field code is a code, every FP value has five words, and what
// the writer makes of the documents (joined by empty lines) reads back as
// the same documents.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ktf/KtfDocumentReader.h"
#include "ktf/KtfDocumentWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  KtfDocumentReader reader;
  if (!reader.Parse(text)) {
    if (reader.error().rfind("line ", 0) != 0 || !reader.documents().empty()) std::abort();
    return 0;
  }
  std::string written;
  std::array<std::string, 5> words;
  for (const KtfDocument& document : reader.documents()) {
    if (document.empty()) std::abort();
    for (const auto& [code, value] : document) {
      if (!KtfDocument::IsFieldCode(code)) std::abort();
      if (code == "FP" && !KtfDocument::PageWords(value, words)) std::abort();
    }
    if (!written.empty()) written += '\n';
    written += KtfDocumentWriter::ToText(document);
  }
  KtfDocumentReader again;
  if (!again.Parse(written) || again.documents() != reader.documents()) std::abort();
  return 0;
}
