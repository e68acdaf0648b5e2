#include "server/Markup.h"

#include "server/Latin1.h"

std::string Markup::Escape(std::string_view text) {
  std::string out;
  for (char c : Latin1ToUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
          out += c;
        }
    }
  }
  return out;
}

std::string Markup::Page(const std::string& title, const std::string& message) {
  return "<html><head><title>" + Escape(title) + "</title></head><body><h1>" + Escape(title) +
         "</h1><p>" + Escape(message) + "</p></body></html>\n";
}
