#include "sgml/yy_scan.h"

#include <cstdio>

yy_scan::~yy_scan() = default;

int yy_scan::input() { return -1; }

int yy_scan::wrap() { return 1; }

void yy_scan::error(const char* message, int line) {
  if (line > 0) std::fprintf(stderr, "%d: ", line);
  std::fprintf(stderr, "%s\n", message);
}

void yy_scan::output(int c) { std::putchar(c); }

void yy_scan::fatal(const char* message, int line) {
  error(message, line);
  throw K2S_ScannerFatal(message);
}

void yy_scan::echo(const char* text, int length) {
  for (int i = 0; i < length; ++i) output(static_cast<unsigned char>(text[i]));
}
