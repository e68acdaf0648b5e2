#include "support/StringUtil.h"

namespace {
constexpr int kFirstControlCode = 1;
constexpr int kLastControlCode = 30;
}  // namespace

CString StringUtil::removeControlCharacters(CString s) { return replaceControlCharacters(s, ""); }

CString StringUtil::replaceControlCharacters(CString s) { return replaceControlCharacters(s, " "); }

CString StringUtil::replaceControlCharacters(CString s, CString replacement) {
  for (int code = kFirstControlCode; code <= kLastControlCode; ++code) {
    const char target[2] = {static_cast<char>(code), '\0'};
    s.Replace(target, replacement);
  }
  return s;
}

CString StringUtil::replaceCharacters(CString s, CStringList targets, CString replacement) {
  for (POSITION pos = targets.GetHeadPosition(); pos;) {
    s.Replace(targets.GetNext(pos), replacement);
  }
  return s;
}

bool StringUtil::StringToBoolean(CString s) {
  for (const char* word : {"yes", "1", "true", "t", "y"}) {
    if (s.CompareNoCase(word) == 0) return true;
  }
  return false;
}

CString StringUtil::IntToString(int n) {
  CString text;
  text.Format("%ld", static_cast<long>(n));
  return text;
}

bool StringUtil::IsInteger(CString s) {
  if (s.IsEmpty()) return false;
  for (int i = 0; i < s.GetLength(); ++i) {
    if (!IsDigit(s[i])) return false;
  }
  return true;
}

bool StringUtil::IsDigit(char c) { return c >= '0' && c <= '9'; }
