#pragma once

#include <string>
#include <string_view>

// Text for the server's XML answers and HTML pages. The bases hold 8-bit
// text read as Latin-1; both forms want UTF-8.
class Markup {
 public:
  // `text` for XML or HTML: markup characters escaped, 8-bit bytes as UTF-8,
  // control characters other than tab and line ends dropped (XML forbids
  // them). Never fails.
  static std::string Escape(std::string_view text);
  // A small HTML page with `title` as its title and heading and `message` as
  // its one paragraph, both escaped.
  static std::string Page(const std::string& title, const std::string& message);
};
