#include "sgml/yy_K2S_scan.h"

yy_K2S_scan::yy_K2S_scan(HFILE file) : m_file(file) {}

int yy_K2S_scan::input() {
  unsigned char byte = 0;
  if (_lread(m_file, &byte, 1) != 1 || byte == 0) return -1;
  return byte;
}

void yy_K2S_scan::error(const char* message, int line) {
  if (m_failed) return;
  m_failed = true;
  m_message = message;
  m_line = line > 0 ? line : 0;
}
