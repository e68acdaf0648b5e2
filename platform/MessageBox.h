#pragma once

#include <functional>

#include "platform/Export.h"

// Message-box styles and answers, with Windows' values.
constexpr unsigned MB_OK = 0x00000000;
constexpr unsigned MB_OKCANCEL = 0x00000001;
constexpr unsigned MB_YESNO = 0x00000004;
constexpr unsigned MB_ICONERROR = 0x00000010;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x00000020;
constexpr unsigned MB_ICONWARNING = 0x00000030;
constexpr unsigned MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows text with the given style and returns the button chosen. The
// process-wide default writes the text to standard error and answers IDOK.
using MessageBoxHandler = std::function<int(const char* text, unsigned type)>;

// Installs a handler for every later message box; an empty handler restores
// the default. Returns the handler it replaced (empty for the default).
SORREL_EXPORT MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Shows a modal message box through the current handler; returns its answer.
SORREL_EXPORT int AfxMessageBox(const char* text, unsigned type = MB_OK, unsigned helpId = 0);
