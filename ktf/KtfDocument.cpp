#include "ktf/KtfDocument.h"

KtfDocument::KtfDocument(std::initializer_list<Field> fields) : fields_(fields) {}

void KtfDocument::Add(std::string code, std::string value) {
  fields_.emplace_back(std::move(code), std::move(value));
}

std::vector<std::string> KtfDocument::Values(std::string_view code) const {
  std::vector<std::string> values;
  for (const auto& [fieldCode, value] : fields_) {
    if (fieldCode == code) values.push_back(value);
  }
  return values;
}

std::string KtfDocument::First(std::string_view code) const {
  for (const auto& [fieldCode, value] : fields_) {
    if (fieldCode == code) return value;
  }
  return {};
}

bool KtfDocument::IsFieldCode(std::string_view code) {
  if (code.empty() || code[0] < 'A' || code[0] > 'Z') return false;
  for (const char c : code) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

bool KtfDocument::PageWords(std::string_view value, std::array<std::string, 5>& words) {
  size_t start = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    const size_t blank = value.find(' ', start);
    const bool last = i + 1 == words.size();
    // The last word runs to the end; every other one ends at a blank.
    if (last != (blank == std::string_view::npos)) return false;
    const size_t end = last ? value.size() : blank;
    if (end == start) return false;
    words[i] = value.substr(start, end - start);
    start = end + 1;
  }
  return true;
}
