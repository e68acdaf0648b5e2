#pragma once

#include "platform/CStringArray.h"
#include "platform/Export.h"
#include "platform/FileApi.h"

// Windows profile files: "[section]" lines and "key=value" lines.
//
// Reading follows Windows: section and key names match without regard to
// ASCII letter case; blanks and tabs around names and values are ignored, as
// are blanks inside a section's brackets (and around the names asked for);
// one pair of matching outer quotes around a value is removed; lines starting
// with ";" and lines without "=" are not keys; text before the first section
// is ignored; the first copy of a section and of a key wins. A line ends at
// LF, CR LF or a lone CR. Reading and listing take time linear in the file's
// size. A file that exists but cannot be read reads as a missing one; the
// reason goes to the diagnostic sink at debug level.
//
// Writing changes only the line concerned and keeps every other byte. The
// new file is written beside the old one, flushed to disk and renamed over
// it, so a crash or a failed write leaves the old file complete. Writers are
// serialised, across threads and processes, by an advisory lock on the
// profile's folder held from the read of the file to the rename, so that no
// write loses another. Every write that returns 0 leaves the file as it was
// and tells the diagnostic sink why, at debug level.

// Copies the value of `key` in `section` into `buffer` (cut to size - 1 bytes,
// NUL-terminated) and returns the number of bytes copied. A missing file,
// section or key gives `defaultValue` (null reads as "") without its trailing
// blanks. `size` 0 copies nothing and returns 0.
// A null section lists the section names, a null key the key names of the
// section: each name (first copy only) ends with a zero and the list with one
// more; the result counts the bytes before that last zero. A list that does
// not fit is cut and the result is then size - 2.
SORREL_EXPORT DWORD GetPrivateProfileStringA(const char* section, const char* key,
                                             const char* defaultValue, char* buffer, DWORD size,
                                             const char* fileName);

// Appends to `names` the section names (null section) or the key names of
// `section`, first copies only, in file order, reading the file once and
// whatever their total size. A missing file or section appends nothing. Not
// a Windows function: the list of GetPrivateProfileStringA without a buffer
// to size.
SORREL_EXPORT void ReadPrivateProfileNames(const char* section, const char* fileName,
                                           CStringArray& names);

// Sets `key` in `section` to `value`, creating the file (its folder must
// exist), the section ("[section]" at the end) or the key (after the last key
// of its section) as needed; names are written trimmed of blanks and tabs,
// as the reader matches them. A null value deletes the key; a null key
// deletes the section with all its lines. Returns 0 and leaves the file as it
// was when section or file is null, when a name could never be read back (a
// section name with "]", a key name with "=" or starting with ";" or "["),
// when a name or the value holds a line end, or when the file cannot be
// locked, read or replaced.
SORREL_EXPORT BOOL WritePrivateProfileStringA(const char* section, const char* key,
                                              const char* value, const char* fileName);
