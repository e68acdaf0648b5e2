#pragma once

#include "platform/Export.h"
#include "platform/CString.h"
#include "platform/CStringList.h"

// String tests and conversions shared by the library and its clients. All
// operations are static, take their arguments by value and cannot fail.
class SORREL_EXPORT StringUtil {
 public:
  // s with the control characters (codes 1 to 30) deleted; 31 and 127 stay.
  static CString removeControlCharacters(CString s);
  // s with each control character (codes 1 to 30) turned into one blank.
  static CString replaceControlCharacters(CString s);
  // For each code 1 to 30 in increasing order, every occurrence in s becomes
  // `replacement`; control characters that a replacement brings in are
  // replaced again by the later passes only if their code is higher.
  static CString replaceControlCharacters(CString s, CString replacement);
  // Each target, head to tail, replaced everywhere in s by `replacement`, one
  // after another (earlier results are subject to later targets).
  static CString replaceCharacters(CString s, CStringList targets, CString replacement);
  // True for "yes", "1", "true", "t" and "y" in any letter case.
  static bool StringToBoolean(CString s);
  // The decimal text of n.
  static CString IntToString(int n);
  // True when s is not empty and made of decimal digits only.
  static bool IsInteger(CString s);
  // True for '0' to '9' only.
  static bool IsDigit(char c);
};
