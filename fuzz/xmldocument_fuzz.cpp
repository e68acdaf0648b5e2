// Parses arbitrary text and evaluates an arbitrary path on it: the first
// line is the path, the rest the document. Any failure must be a _com_error.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ComError.h"
#include "xml/XmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  CString path(newline == std::string::npos ? std::string("/*") : input.substr(0, newline));
  CString xml(newline == std::string::npos ? input : input.substr(newline + 1));
  try {
    XmlDocument document(xml);
    CString text("unset");
    document.GetNodeText(path, text);
  } catch (const _com_error& error) {
    if (error.Error() != E_POINTER && error.Error() != E_FAIL && error.Error() != E_OUTOFMEMORY) {
      std::abort();
    }
  }
  return 0;
}
