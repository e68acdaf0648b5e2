#pragma once

#include <string>

#include "platform/Export.h"
#include "platform/WinTypes.h"

// The process's console. On Linux the standard streams already are the
// console (or whatever they were redirected to); there is no window to create.

// Makes standard input, output and error unbuffered and keeps the C++ streams
// synchronised with them, so both kinds of output appear in order. Returns 1.
SORREL_EXPORT BOOL AllocConsole();

// Sets the terminal's title when standard output is a terminal; returns 0
// (and writes nothing) when it is not.
SORREL_EXPORT BOOL SetConsoleTitleA(const char* title);

// The escape sequence that sets a terminal's title to `title` (null: empty).
// Control characters in the title are dropped so that it cannot end the
// sequence early or start another one.
SORREL_EXPORT std::string ConsoleTitleSequence(const char* title);
