#include "tools/TerminalText.h"

namespace {

void AppendShown(std::string& shown, unsigned char byte, bool keepNewline) {
  static const char kHex[] = "0123456789abcdef";
  if ((byte == '\n' && keepNewline) || byte == '\t') {
    shown += static_cast<char>(byte);
  } else if (byte < 0x20 || byte == 0x7f) {
    shown += '^';
    shown += static_cast<char>(byte ^ 0x40);
  } else if (byte >= 0x80 && byte < 0xa0) {
    shown += "\\x";
    shown += kHex[byte >> 4];
    shown += kHex[byte & 0x0f];
  } else {
    shown += static_cast<char>(byte);
  }
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
