#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Run-time loading of shared objects under the Windows names. A module handle
// is the loader's handle; an exported function comes back as FARPROC, to be
// cast to its real type by the caller.
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
using FARPROC = void (*)();

constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;  // a file was found but could not be loaded

// Loads `fileName` and answers its handle, to be released with FreeLibrary.
// A name with a "/" is loaded as given. A bare name is looked for first by
// the dynamic loader's own search, then in each directory of PATH in order
// (":"-separated; empty entries are skipped, so the current directory is
// searched only when PATH names it). Null on failure, with the last error
// ERROR_MOD_NOT_FOUND when no such file exists and ERROR_BAD_EXE_FORMAT when
// the first file found on PATH cannot be loaded.
SORREL_EXPORT HMODULE LoadLibraryA(const char* fileName);

// The address of the exported symbol `procName` of `module`, or null with the
// last error ERROR_PROC_NOT_FOUND (ERROR_INVALID_HANDLE for a null module).
SORREL_EXPORT FARPROC GetProcAddress(HMODULE module, const char* procName);

// Drops one reference to `module`; the loader unloads it after the last one.
// Nonzero on success; 0 with ERROR_INVALID_HANDLE for a null or unknown handle.
SORREL_EXPORT BOOL FreeLibrary(HMODULE module);
