#pragma once

#include <cstddef>
#include <string>

#include "translator/VERGER_CONFIG.h"

// Where the translator's refusal of a line lies: the first word after which
// no ending can make the line valid. The translator gives only a number, so
// the line's word prefixes are translated again (with a translator and
// criteria of their own, so the session's are untouched), each as it stands
// and with a term or a number and the missing ")" added; the first prefix
// that nothing rescues ends at the faulty word. A line whose every prefix
// can be completed is faulty at its end (an unclosed bracket). A value;
// never fails.
struct LineFault {
  size_t column = 0;  // byte offset of the word in the line; the line's size at its end
  std::string word;   // "" at the end of the line

  static LineFault Locate(const std::string& line, const VERGER_CONFIG& config);
};
