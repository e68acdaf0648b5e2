#include "sgml/yy_K2S_scan.h"

yy_K2S_scan::yy_K2S_scan(HFILE file) : m_file(file) {}

int yy_K2S_scan::input() {
  if (m_next == m_end) {
    // End of file and a failed read end the input, as a NUL byte does.
    const UINT read = _lread(m_file, m_block, kBlock);
    if (read == 0 || read == static_cast<UINT>(HFILE_ERROR) || read > kBlock) return -1;
    m_next = 0;
    m_end = read;
  }
  const unsigned char byte = m_block[m_next++];
  return byte == 0 ? -1 : byte;
}

void yy_K2S_scan::error(const char* message, int line) {
  if (m_failed) return;
  m_failed = true;
  m_message = message;
  m_line = line > 0 ? line : 0;
}
