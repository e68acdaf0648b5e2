// The server's question parser on arbitrary bytes: it must answer true with a
// tree or false with an error, and a tree must render.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "server/QueryParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QueryNode root;
  std::string error;
  if (QueryParser::Parse(std::string_view(reinterpret_cast<const char*>(data), size), root,
                         error)) {
    std::string text = root.ToString();
    if (text.empty()) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
