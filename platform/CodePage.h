#pragma once

#include <string>
#include <string_view>

#include "platform/CString.h"
#include "platform/Export.h"

// The process's 8-bit code page, in which all of the library's text is held.
// Windows-1252 unless the client chooses another.

// Chooses the code page by its iconv name (for example "ISO-8859-15"); false,
// and the code page unchanged, when iconv does not know the name.
SORREL_EXPORT bool SetCodePage(const char* iconvName);
// The iconv name of the current code page.
SORREL_EXPORT CString GetCodePage();

// UTF-8 text in the code page. A character that the code page lacks, and each
// byte of a malformed UTF-8 sequence, becomes "?". Never fails.
SORREL_EXPORT CString Utf8ToCodePage(std::string_view utf8);
// Code-page text in UTF-8. A byte that the code page leaves undefined becomes "?".
SORREL_EXPORT std::string CodePageToUtf8(std::string_view text);
