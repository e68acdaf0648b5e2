#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Export.h"

// Windows file calls over POSIX descriptors. A backslash in any path is read
// as a directory separator; other bytes pass through unchanged. Windows'
// sharing modes are emulated with non-blocking flock(2) locks: opening without
// sharing takes an exclusive lock, "share read" a shared one, and an open
// whose lock is held by another open fails (also inside one process, since
// every open has its own lock).

using DWORD = uint32_t;
using BOOL = int;
using LONG = int32_t;
using UINT = unsigned int;
using HANDLE = void*;
using HFILE = int;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr HFILE HFILE_ERROR = -1;

// Access rights.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
// Sharing modes.
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
// Creation dispositions.
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
// Flags (FILE_FLAG_WRITE_THROUGH makes every write synchronous).
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
// Seek origins, shared by SetFilePointer and _llseek.
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
// _lopen modes: access in the low bits, sharing in bits 4-6.
constexpr int OF_READ = 0x00;
constexpr int OF_WRITE = 0x01;
constexpr int OF_READWRITE = 0x02;
constexpr int OF_SHARE_COMPAT = 0x00;
constexpr int OF_SHARE_EXCLUSIVE = 0x10;
constexpr int OF_SHARE_DENY_WRITE = 0x20;
constexpr int OF_SHARE_DENY_READ = 0x30;
constexpr int OF_SHARE_DENY_NONE = 0x40;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;               // size of the record
  void* lpSecurityDescriptor;  // ignored: permissions follow the umask
  BOOL bInheritHandle;         // ignored: descriptors are opened close-on-exec
};

// The path with every backslash turned into "/".
SORREL_EXPORT std::string NativePath(const char* path);

// Opens or creates a file; INVALID_HANDLE_VALUE on failure (missing file,
// no permission, or a lock held by another open). The handle belongs to the
// caller, who closes it with CloseHandle. CREATE_ALWAYS and TRUNCATE_EXISTING
// truncate only after the lock is obtained.
SORREL_EXPORT HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                                 SECURITY_ATTRIBUTES* security, DWORD creationDisposition,
                                 DWORD flagsAndAttributes, HANDLE templateFile);
// Reads up to `count` bytes; FALSE on error. `*bytesRead` is 0 at end of file.
SORREL_EXPORT BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* bytesRead,
                            void* overlapped);
// Writes all `count` bytes unless an error stops it; FALSE on error with
// `*bytesWritten` holding what was written before it.
SORREL_EXPORT BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* bytesWritten,
                             void* overlapped);
// Moves the file pointer; returns the low 32 bits of the new position (the
// high bits through `distanceHigh` when given), or INVALID_SET_FILE_POINTER.
SORREL_EXPORT DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
// Moves the file pointer by a 64-bit distance; FALSE on failure. The new
// position goes to `newPosition` when given.
SORREL_EXPORT BOOL SetFilePointerEx(HANDLE file, int64_t distance, int64_t* newPosition,
                                    DWORD method);
// The file's size in bytes; FALSE for an invalid handle.
SORREL_EXPORT BOOL GetFileSizeEx(HANDLE file, int64_t* size);
// Maps the first `length` bytes of an open file for reading; null on failure
// or for length 0. The view stays valid after the handle is closed and is
// released with UnmapFileView. Reading a view beyond the end of a file that
// another program has since truncated raises SIGBUS: a caller either keeps
// such programs out (a lock they honour) or re-checks the size first.
SORREL_EXPORT const char* MapFileView(HANDLE file, size_t length);
SORREL_EXPORT void UnmapFileView(const char* view, size_t length);
// Releases the lock and the descriptor; FALSE for a null or invalid handle.
SORREL_EXPORT BOOL CloseHandle(HANDLE file);
// Deletes the file; FALSE when it could not be removed.
SORREL_EXPORT BOOL DeleteFileA(const char* fileName);

// The older integer-handle family. Handles are descriptors; HFILE_ERROR (or
// for counts, 0xFFFFFFFF / -1) reports a failure.
SORREL_EXPORT HFILE _lopen(const char* path, int mode);
// Creates or truncates a file for reading and writing (`attribute` ignored).
SORREL_EXPORT HFILE _lcreat(const char* path, int attribute);
SORREL_EXPORT UINT _lread(HFILE file, void* buffer, UINT count);
SORREL_EXPORT UINT _lwrite(HFILE file, const char* buffer, UINT count);
SORREL_EXPORT long _hwrite(HFILE file, const char* buffer, long count);

// Writes all of `bytes` to the POSIX descriptor `fd`, retrying interrupted
// writes; false when a write fails (errno says why). The descriptor stays open.
SORREL_EXPORT bool WriteAllBytes(int fd, std::string_view bytes);
// Returns the new position, or HFILE_ERROR.
SORREL_EXPORT LONG _llseek(HFILE file, LONG offset, int origin);
// Returns 0, or HFILE_ERROR for a handle that is not open.
SORREL_EXPORT HFILE _lclose(HFILE file);
