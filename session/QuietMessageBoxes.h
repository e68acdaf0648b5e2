#pragma once

#include "platform/MessageBox.h"

// While it lives, the library's message boxes (a failed exchange, a login
// answer that is not XML, a style sheet that cannot be read) are reported at
// debug level instead of shown: the engine hands every failure to its caller
// as a value. The handler it replaced comes back at its end. Message boxes
// are process-wide: several end in the reverse order of their start.
class QuietMessageBoxes {
 public:
  QuietMessageBoxes();
  ~QuietMessageBoxes();
  QuietMessageBoxes(const QuietMessageBoxes&) = delete;
  QuietMessageBoxes& operator=(const QuietMessageBoxes&) = delete;

 private:
  MessageBoxHandler previous_;
};
