#include "support/SecretRedactor.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr std::string_view kHidden = "***";

bool IsNameByte(char ch) {
  return std::isalnum(static_cast<unsigned char>(ch)) != 0 || std::strchr("_-.", ch) != nullptr;
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return lowered;
}

}  // namespace

size_t SecretRedactor::ValueEnd(std::string_view text, size_t start) {
  size_t end = start;
  while (end < text.size() && std::strchr("&; \t\r\n\"'<>,", text[end]) == nullptr) ++end;
  return end;
}

bool SecretRedactor::NamesSecret(std::string_view text, size_t equals) {
  size_t start = equals;
  while (start > 0 && IsNameByte(text[start - 1])) --start;
  const std::string name = Lowered(text.substr(start, equals - start));
  for (const char* secret : {"pwd", "pass", "secret"}) {
    if (name.find(secret) != std::string::npos) return true;
  }
  return false;
}

std::string SecretRedactor::Redact(std::string_view text) {
  const std::string lowered = Lowered(text);
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char ch = text[i];
    if (ch == '=' && NamesSecret(text, i)) {
      out += '=';
      out += kHidden;
      i = ValueEnd(text, i + 1);
      continue;
    }
    if (lowered.compare(i, 14, "authorization:") == 0) {
      out.append(text.substr(i, 14));
      out += ' ';
      out += kHidden;
      i = std::min(text.find_first_of("\r\n", i), text.size());
      continue;
    }
    if (lowered.compare(i, 3, "://") == 0) {
      // The user info ends at "@" before the authority ends; its password
      // follows the first ":".
      const size_t authorityEnd = std::min(text.find_first_of("/?# \t\r\n", i + 3), text.size());
      const size_t at = text.substr(0, authorityEnd).rfind('@');
      const size_t colon = text.find(':', i + 3);
      if (at != std::string_view::npos && at > i && colon < at) {
        out.append(text.substr(i, colon + 1 - i));
        out += kHidden;
        i = at;
        continue;
      }
    }
    out += ch;
    ++i;
  }
  return out;
}
