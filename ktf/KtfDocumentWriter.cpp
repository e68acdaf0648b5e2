#include "ktf/KtfDocumentWriter.h"

std::string KtfDocumentWriter::Escape(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (const char c : value) {
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

std::string KtfDocumentWriter::ToText(const KtfDocument& document) {
  std::string text;
  for (const auto& [code, value] : document) {
    text += code;
    text += '=';
    text += Escape(value);
    text += '\n';
  }
  return text;
}
