#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Windows error codes that the compatibility layer reports.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;   // a module to load was not found
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;  // a symbol was missing from a loaded module
constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;

// The calling thread's last-error code: set by the compatibility layer's
// operations that fail, read by their callers. Each thread has its own.
SORREL_EXPORT DWORD GetLastError();
SORREL_EXPORT void SetLastError(DWORD code);
