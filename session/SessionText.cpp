#include "session/SessionText.h"

#include <cstdio>

namespace {

constexpr size_t kShownLine = 100;  // bytes of a line shown
const char* const kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at `at`, or of the part of
// it that is well formed before a byte that does not fit (at least 1, then
// `valid` is false).
size_t Sequence(const std::string& text, size_t at, bool& valid) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  valid = true;
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    valid = false;
    return 1;
  }
  for (size_t i = 1; i < length; ++i) {
    const bool fits = at + i < text.size() && byte(at + i) >= (i == 1 ? low : 0x80) &&
                      byte(at + i) <= (i == 1 ? high : 0xBF);
    if (!fits) {
      valid = false;
      return i;
    }
  }
  return length;
}

// The JSON escape of an ASCII byte, null when it stands for itself.
const char* Escape(unsigned char c) {
  switch (c) {
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    case '\b':
      return "\\b";
    case '\f':
      return "\\f";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\t':
      return "\\t";
    default:
      return nullptr;
  }
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (size_t at = 0; at < text.size();) {
    bool valid = true;
    const size_t length = Sequence(text, at, valid);
    const unsigned char c = static_cast<unsigned char>(text[at]);
    if (!valid) {
      quoted += kReplacement;
    } else if (length > 1) {
      quoted += text.substr(at, length);
    } else if (const char* escape = Escape(c)) {
      quoted += escape;
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += static_cast<char>(c);
    }
    at += length;
  }
  return quoted + "\"";
}

}  // namespace

std::string Printable(const std::string& line) {
  std::string shown;
  for (size_t i = 0; i < line.size() && i < kShownLine; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    shown += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  }
  if (line.size() > kShownLine) shown += "... (" + std::to_string(line.size()) + " characters)";
  return shown;
}

std::string ListText(const std::vector<int>& numbers) {
  std::string text = "[";
  for (size_t i = 0; i < numbers.size(); ++i) {
    text += (i == 0 ? "" : ",") + std::to_string(numbers[i]);
  }
  return text + "]";
}

std::string ListText(const std::vector<std::string>& texts) {
  std::string text = "[";
  for (size_t i = 0; i < texts.size(); ++i) text += (i == 0 ? "" : ",") + Quoted(texts[i]);
  return text + "]";
}
