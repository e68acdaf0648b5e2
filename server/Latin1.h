#pragma once

#include <string>
#include <string_view>

// The base's 8-bit text read as Latin-1 and written as UTF-8, for FTS5 and
// for the XML answers, which both want UTF-8.
inline std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}
