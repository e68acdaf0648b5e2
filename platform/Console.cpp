#include "platform/Console.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

BOOL AllocConsole() {
  // Output already buffered goes out before the buffers are dropped.
  std::fflush(stdout);
  std::fflush(stderr);
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  std::ios::sync_with_stdio(true);
  return 1;
}

std::string ConsoleTitleSequence(const char* title) {
  // Operating System Command 0 (icon name and window title), ended by BEL.
  std::string sequence = "\x1b]0;";
  for (const char* c = title ? title : ""; *c; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte >= 0x20 && byte != 0x7f) sequence += *c;
  }
  sequence += '\a';
  return sequence;
}

BOOL SetConsoleTitleA(const char* title) {
  if (!isatty(STDOUT_FILENO)) return 0;
  const std::string sequence = ConsoleTitleSequence(title);
  std::fflush(stdout);
  return write(STDOUT_FILENO, sequence.data(), sequence.size()) ==
                 static_cast<ssize_t>(sequence.size())
             ? 1
             : 0;
}
