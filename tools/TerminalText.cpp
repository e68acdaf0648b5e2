#include "tools/TerminalText.h"

#include <algorithm>

namespace {

const char kHex[] = "0123456789abcdef";

void AppendHex(std::string& shown, unsigned char byte) {
  shown += "\\x";
  shown += kHex[byte >> 4];
  shown += kHex[byte & 0x0f];
}

void AppendShown(std::string& shown, unsigned char byte, bool keepNewline) {
  if ((byte == '\n' && keepNewline) || byte == '\t') {
    shown += static_cast<char>(byte);
  } else if (byte < 0x20 || byte == 0x7f) {
    shown += '^';
    shown += static_cast<char>(byte ^ 0x40);
  } else if (byte >= 0x80 && byte < 0xa0) {
    AppendHex(shown, byte);
  } else {
    shown += static_cast<char>(byte);
  }
}

// The length of the well-formed UTF-8 sequence of two or more bytes at
// `at`; 0 when none starts there.
size_t SequenceLength(std::string_view text, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  const unsigned char second = static_cast<unsigned char>(text[at + 1]);
  // Overlong forms, surrogates and code points past U+10FFFF.
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
    return 0;
  }
  return length;
}

std::string FilterUtf8(std::string_view text, bool keepNewline) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    const size_t length = byte < 0x80 ? 1 : SequenceLength(text, at);
    if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
      // U+0080-U+009F: shown by number, as the 8-bit filter shows C1 bytes.
      AppendShown(shown, static_cast<unsigned char>(text[at + 1]), keepNewline);
    } else if (length == 1) {
      AppendShown(shown, byte, keepNewline);
    } else if (length == 0) {
      AppendHex(shown, byte);
    } else {
      shown.append(text.substr(at, length));
    }
    at += std::max<size_t>(length, 1);
  }
  return shown;
}

std::string Filter(std::string_view text, bool keepNewline) {
  std::string shown;
  shown.reserve(text.size());
  for (const char ch : text) AppendShown(shown, static_cast<unsigned char>(ch), keepNewline);
  return shown;
}

}  // namespace

std::string TerminalText::Shown(std::string_view text) { return Filter(text, true); }

std::string TerminalText::ShownLine(std::string_view text) { return Filter(text, false); }

std::string TerminalText::ShownUtf8(std::string_view text) { return FilterUtf8(text, true); }

std::string TerminalText::ShownUtf8Line(std::string_view text) { return FilterUtf8(text, false); }
