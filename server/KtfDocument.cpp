#include "server/KtfDocument.h"

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

std::string KtfDocument::ToText() const {
  std::string text;
  for (const auto& [code, value] : fields_) {
    text += code;
    text += '=';
    text += Escape(value);
    text += '\n';
  }
  return text;
}

bool KtfDocument::IsFieldCode(std::string_view code) {
  if (code.empty() || code[0] < 'A' || code[0] > 'Z') return false;
  for (char c : code) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

std::string KtfDocument::Escape(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\':
        text += "\\\\";
        break;
      case '\n':
        text += "\\n";
        break;
      case '\r':
        text += "\\r";
        break;
      default:
        text += c;
    }
  }
  return text;
}

bool KtfDocument::Unescape(std::string_view text, std::string& value) {
  value.clear();
  value.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      value += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        value += '\\';
        break;
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

bool KtfDocument::ParseAll(std::string_view text, std::vector<KtfDocument>& documents,
                           std::string& error) {
  KtfDocument current;
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      if (!current.Empty()) documents.push_back(std::move(current));
      current = KtfDocument();
      continue;
    }
    if (line[0] == '#') continue;
    size_t equals = line.find('=');
    std::string value;
    if (equals == std::string_view::npos || !IsFieldCode(line.substr(0, equals))) {
      error = "line " + std::to_string(lineNumber) + ": not a CODE=VALUE field line";
      return false;
    }
    if (!Unescape(line.substr(equals + 1), value)) {
      error = "line " + std::to_string(lineNumber) + ": bad escape in the value";
      return false;
    }
    current.Add(std::string(line.substr(0, equals)), std::move(value));
  }
  if (!current.Empty()) documents.push_back(std::move(current));
  return true;
}
