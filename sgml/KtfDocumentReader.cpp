#include "sgml/KtfDocumentReader.h"

#include <sstream>

#include "platform/FileApi.h"
#include "sgml/clKTF2SGML.h"

namespace {

bool IsCode(const std::string& code) {
  if (code.empty() || code[0] < 'A' || code[0] > 'Z') return false;
  for (const char c : code) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// The words of an FP value: exactly five, separated by one blank each.
bool SplitPage(const std::string& value, std::vector<std::string>& words) {
  words.clear();
  std::string word;
  std::istringstream in(value);
  while (std::getline(in, word, ' ')) words.push_back(word);
  if (words.size() != 5) return false;
  for (const auto& w : words) {
    if (w.empty()) return false;
  }
  return true;
}

}  // namespace

bool KtfDocumentReader::Fail(size_t line, const std::string& why) {
  m_documents.clear();
  m_error = "line " + std::to_string(line) + ": " + why;
  return false;
}

bool KtfDocumentReader::ReadFile(const char* path) {
  const HFILE file = _lopen(path, OF_READ);
  if (file == HFILE_ERROR) {
    m_documents.clear();
    m_error = std::string("cannot open ") + (path == nullptr ? "(null)" : path);
    return false;
  }
  std::string text;
  char buffer[8192];
  UINT n;
  while ((n = _lread(file, buffer, sizeof buffer)) != 0 && n != static_cast<UINT>(HFILE_ERROR)) {
    text.append(buffer, n);
  }
  _lclose(file);
  if (n == static_cast<UINT>(HFILE_ERROR)) {
    m_documents.clear();
    m_error = std::string("cannot read ") + path;
    return false;
  }
  return Parse(text);
}

bool KtfDocumentReader::Parse(const std::string& text) {
  m_documents.clear();
  m_error.clear();
  Document current;
  size_t lineNumber = 0;
  size_t start = 0;
  std::vector<std::string> words;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      if (!current.empty()) m_documents.push_back(std::move(current));
      current.clear();
      continue;
    }
    if (line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos || !IsCode(line.substr(0, equals))) {
      return Fail(lineNumber, "not a CODE=VALUE line");
    }
    std::string value;
    for (size_t i = equals + 1; i < line.size(); ++i) {
      if (line[i] != '\\') {
        value += line[i];
        continue;
      }
      const char next = i + 1 < line.size() ? line[i + 1] : '\0';
      if (next == '\\') {
        value += '\\';
      } else if (next == 'n') {
        value += '\n';
      } else if (next == 'r') {
        value += '\r';
      } else {
        return Fail(lineNumber, "a backslash must be followed by \\, n or r");
      }
      ++i;
    }
    std::string code = line.substr(0, equals);
    if (code == "FP" && !SplitPage(value, words)) {
      return Fail(lineNumber, "FP needs five words: FILE HEIGHT WIDTH X Y");
    }
    current.emplace_back(std::move(code), std::move(value));
  }
  if (!current.empty()) m_documents.push_back(std::move(current));
  return true;
}

K2S_Return KtfDocumentReader::Insert(const Document& document, clKTF2SGML& converter) {
  std::vector<std::string> words;
  for (const auto& [code, value] : document) {
    K2S_Return status;
    if (code == "FP" && SplitPage(value, words)) {
      status = converter.fgKTF2SGML_InsertImageParam(words[0].c_str(), words[1].c_str(),
                                                     words[2].c_str(), words[3].c_str(),
                                                     words[4].c_str(), "IMG");
    } else {
      status = converter.fgKTF2SGML_InsertKTFData(code.c_str(), value.c_str());
    }
    if (status != K2S_OK) return status;
  }
  return K2S_OK;
}
