#pragma once

#include <string>

#include "platform/FileApi.h"
#include "sgml/yy_scan.h"

// The template scanner's services: hands the template file over one byte at
// a time and keeps the first error reported instead of printing it. The file
// is read with _lread in blocks, not a call per byte: a template is read for
// every document converted, and a system call per byte made reading it cost
// thirty times writing the document.
class yy_K2S_scan : public yy_scan {
 public:
  // Reads from `file`, which stays the caller's to close.
  explicit yy_K2S_scan(HFILE file);

  // The next byte; -1 at end of file, on a read error and at a NUL byte.
  int input() override;
  // Records the first report only; prints nothing.
  void error(const char* message, int line) override;

  bool failed() const { return m_failed; }
  // The first message reported, empty when none.
  const std::string& message() const { return m_message; }
  // Its line (from 1), or 0 when unknown.
  int line() const { return m_line; }

 private:
  static constexpr unsigned kBlock = 4096;

  HFILE m_file;                   // the template file
  unsigned char m_block[kBlock];  // bytes read and not handed over yet
  unsigned m_next = 0;            // the next byte of m_block to hand over
  unsigned m_end = 0;             // how many bytes m_block holds
  bool m_failed = false;          // an error was reported
  std::string m_message;          // first error reported
  int m_line = 0;                 // its line
};
