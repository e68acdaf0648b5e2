#include "ktf/KtfDocumentReader.h"

#include <array>

#include "platform/FileApi.h"

namespace {

// The bytes that the escaped `text` of a value stands for, into `value`.
// False on a backslash followed by anything but \\, n or r, or at the end.
bool Unescape(std::string_view text, std::string& value) {
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

// Reads one non-empty, non-comment line into `document`; the reason when it
// breaks the form, "" otherwise.
std::string ReadField(std::string_view line, KtfDocument& document) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos || !KtfDocument::IsFieldCode(line.substr(0, equals))) {
    return "not a CODE=VALUE line";
  }
  std::string value;
  if (!Unescape(line.substr(equals + 1), value)) {
    return "a backslash must be followed by \\, n or r";
  }
  const std::string_view code = line.substr(0, equals);
  std::array<std::string, 5> words;
  if (code == "FP" && !KtfDocument::PageWords(value, words)) {
    return "FP needs five words: FILE HEIGHT WIDTH X Y";
  }
  document.Add(std::string(code), std::move(value));
  return "";
}

}  // namespace

bool KtfDocumentReader::Fail(const std::string& why) {
  m_documents.clear();
  m_error = why;
  return false;
}

bool KtfDocumentReader::ReadFile(const char* path) {
  const HFILE file = _lopen(path, OF_READ);
  if (file == HFILE_ERROR) {
    return Fail(std::string("cannot open ") + (path == nullptr ? "(null)" : path));
  }
  std::string text;
  char buffer[8192];
  UINT n;
  while ((n = _lread(file, buffer, sizeof buffer)) != 0 && n != static_cast<UINT>(HFILE_ERROR)) {
    text.append(buffer, n);
  }
  _lclose(file);
  if (n == static_cast<UINT>(HFILE_ERROR)) return Fail(std::string("cannot read ") + path);
  return Parse(text);
}

bool KtfDocumentReader::Parse(std::string_view text) {
  m_documents.clear();
  m_error.clear();
  Document current;
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
      if (!current.empty()) m_documents.push_back(std::move(current));
      current = Document();
      continue;
    }
    if (line[0] == '#') continue;
    const std::string why = ReadField(line, current);
    if (!why.empty()) return Fail("line " + std::to_string(lineNumber) + ": " + why);
  }
  if (!current.empty()) m_documents.push_back(std::move(current));
  return true;
}
