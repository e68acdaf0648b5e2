#pragma once

#include <stdexcept>

// Raised by yy_scan::fatal: the scanner cannot go on (it ran out of memory or
// its input buffer broke). The template reader catches it and refuses the
// template; nothing ever ends the process.
class K2S_ScannerFatal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The services a generated scanner calls on: input, end of input, error
// reports, output. The defaults read nothing, report on standard error and
// write to standard output.
class yy_scan {
 public:
  yy_scan() = default;
  yy_scan(const yy_scan&) = delete;
  yy_scan& operator=(const yy_scan&) = delete;
  virtual ~yy_scan();

  // The next input byte, or -1 at the end of input.
  virtual int input();
  // Called at the end of input: 1 means there is no further input.
  virtual int wrap();
  // Reports `message` on standard error: "LINE: " when `line` is positive,
  // the message, a line feed.
  virtual void error(const char* message, int line);
  // Writes one byte to standard output.
  virtual void output(int c);
  // Reports `message`, then throws K2S_ScannerFatal.
  [[noreturn]] virtual void fatal(const char* message, int line);
  // Writes `length` bytes of the current token through output().
  virtual void echo(const char* text, int length);
};
