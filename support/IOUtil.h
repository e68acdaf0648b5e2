#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// A console for diagnostic output.
class SORREL_EXPORT IOUtil {
 public:
  // Makes the standard streams unbuffered and synchronised with the C++
  // streams, so that printf and std::cout output appears in order, and sets
  // the terminal's title when standard output is a terminal. Cannot fail.
  static void RedirectIOToConsole(CString title);
};
