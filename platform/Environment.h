#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Process environment with Windows' conventions.

// Copies the value of `name` and a terminating NUL into `buffer` when it fits
// in `size` bytes and returns its length; when it does not fit, returns the
// size needed (length + 1) and leaves `buffer` untouched. An unset variable
// returns 0 with the last error ERROR_ENVVAR_NOT_FOUND.
SORREL_EXPORT DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size);

// Sets `name` to `value` for this process, or removes it when `value` is null.
// Returns 0 with the last error ERROR_INVALID_PARAMETER for an empty name or
// one containing "=".
SORREL_EXPORT BOOL SetEnvironmentVariableA(const char* name, const char* value);
