#pragma once

#include <string>
#include <string_view>

// The one filter for text that came from a server (or a file it made) on its
// way to the terminal: control characters that could move the cursor, clear
// the screen or retitle the window are shown visibly instead of being sent.
// Newline and tab pass; every other C0 byte and DEL become "^X" ("^[" for
// ESC, "^?" for DEL); the C1 range 0x80-0x9F becomes "\xHH", since a Latin-1
// terminal obeys those bytes as controls. Bytes from 0xA0 pass as they are
// (the text is windows-1252). Pure functions; never fail.
class TerminalText {
 public:
  // `text` with its control characters made visible.
  static std::string Shown(std::string_view text);
  // The same for one line: a newline is made visible too.
  static std::string ShownLine(std::string_view text);
  // The same for UTF-8 text (the session engine's): the C1 controls are the
  // characters U+0080-U+009F, written "\xHH"; a byte that is no part of
  // well-formed UTF-8 is written "\xHH" too; other characters pass.
  static std::string ShownUtf8(std::string_view text);
  static std::string ShownUtf8Line(std::string_view text);
};
