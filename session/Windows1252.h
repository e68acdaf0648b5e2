#pragma once

#include <string>

// The search server answers in windows-1252, the system code page of its
// design. This gives such a text as UTF-8 with nothing lost: each character
// as iconv converts it, and each of the five bytes windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) as the C1 control of the same
// number, so that every byte stays distinct. Pure ASCII comes back as it is.
// Never fails: without a converter (reported at debug level) the text comes
// back unchanged.
std::string Windows1252ToUtf8(const std::string& text);
