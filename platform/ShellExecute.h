#pragma once

#include <cstdint>
#include <functional>

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Show commands and the "no association" failure, with Windows' values.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr intptr_t SE_ERR_NOASSOC = 31;

// Opens `target` (a file or an address) with the desktop's default handler;
// true when the handler accepted it.
using ShellOpenHandler = std::function<bool(const char* target, int showCommand)>;

// Installs a handler for every later ShellExecuteA; an empty handler restores
// the default, which runs `xdg-open target` (found on PATH, never through a
// shell) and waits for it. Returns the handler it replaced (empty for the default).
SORREL_EXPORT ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);

// Opens `file` with its default handler through the current handler. Only the
// "open" operation (or none) is known; parameters and directory are not used.
// Returns a value above 32 on success, SE_ERR_NOASSOC otherwise.
SORREL_EXPORT intptr_t ShellExecuteA(HWND window, const char* operation, const char* file,
                                     const char* parameters, const char* directory,
                                     int showCommand);
