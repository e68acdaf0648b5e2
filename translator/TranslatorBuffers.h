#pragma once

#include <cstdint>

#include "translator/VergerTypes.h"

// The translator's library-wide working storage. One thread uses the
// translator at a time, so every call reuses these buffers; records point into
// them (KTF_COMMAND::expression and the number lists) and show the latest call
// that wrote them. Internal to the library.
struct TranslatorBuffers {
  static constexpr int kNumberListSize = 10000;  // numbers of one ERASE, KEEP or PRINT
  static constexpr int kArgumentSize = 1024;     // one command argument, NUL included
  static constexpr int kMessageSize = 256;       // the last error message, NUL included
  static constexpr int kTextSize = 4096;         // an expression or its translation, NUL included
  static constexpr int kRecordCount = 512;  // token records of one expression, end record included

  int32_t numberList[kNumberListSize];     // shared list of ERASE, KEEP and PRINT
  char argument[kArgumentSize];            // the word that getargs returned last
  char lastMessage[kMessageSize];          // message of the last failed command
  char syntaxCopy[kTextSize];              // normalised copy that checksyntax reads
  char workingCopy[kTextSize];             // normalised copy that the token records point into
  char translation[kTextSize];             // the latest translated expression
  VALUE_TYPE_TOKEN records[kRecordCount];  // token records of the latest translation

  // The one instance, zero-filled at load time and never freed.
  static TranslatorBuffers& shared();
};
