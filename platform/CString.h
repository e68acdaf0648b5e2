#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/Export.h"

// An 8-bit string with value semantics, in the process's code page. It may hold
// embedded NUL bytes; positions are byte offsets. Positions given to Mid, Left,
// Right, Delete and Insert are clamped to the string, never an error. Find
// answers -1 when nothing is found. Case operations touch ASCII letters only.
class SORREL_EXPORT CString {
 public:
  CString() = default;
  CString(const char* text);  // NOLINT: implicit, as client code expects; null is empty
  CString(const char* text, int length);
  CString(char ch, int repeat = 1);
  CString(std::string text);       // NOLINT: implicit
  CString(std::string_view text);  // NOLINT: implicit

  int GetLength() const { return static_cast<int>(data_.size()); }
  bool IsEmpty() const { return data_.empty(); }
  void Empty() { data_.clear(); }

  // Byte at index; index must lie inside the string.
  char GetAt(int index) const;
  char operator[](int index) const { return GetAt(index); }
  void SetAt(int index, char ch);

  // The bytes, NUL-terminated; valid until the string is next changed.
  operator const char*() const {
    return data_.c_str();
  }  // NOLINT: implicit, as client code expects
  const char* c_str() const { return data_.c_str(); }
  const std::string& str() const { return data_; }

  // A writable buffer of at least minLength bytes plus a terminator, owned by
  // the string; ReleaseBuffer(-1) takes the length up to the first NUL.
  char* GetBuffer(int minLength = 0);
  void ReleaseBuffer(int newLength = -1);

  CString& operator=(const char* text);
  CString& operator=(char ch);
  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);

  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;

  int Find(char ch, int start = 0) const;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const;
  int FindOneOf(const char* charSet) const;

  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;
  CString SpanIncluding(const char* charSet) const;
  CString SpanExcluding(const char* charSet) const;

  // Replace every occurrence; returns how many were replaced. An empty
  // `oldText` replaces nothing.
  int Replace(char oldChar, char newChar);
  int Replace(const char* oldText, const char* newText);
  int Remove(char ch);
  int Insert(int index, char ch);
  int Insert(int index, const char* text);
  int Delete(int index, int count = 1);

  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  CString& Trim();
  CString& Trim(char target);
  CString& Trim(const char* targets);
  CString& TrimLeft();
  CString& TrimLeft(char target);
  CString& TrimLeft(const char* targets);
  CString& TrimRight();
  CString& TrimRight(char target);
  CString& TrimRight(const char* targets);

  // printf-style formatting; the result replaces the string.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* format, va_list args);
  void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  friend bool operator==(const CString& a, const CString& b) { return a.data_ == b.data_; }
  friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
  friend bool operator<(const CString& a, const CString& b) { return a.data_ < b.data_; }

 private:
  std::string data_;
};

SORREL_EXPORT CString operator+(const CString& a, const CString& b);
SORREL_EXPORT CString operator+(const CString& a, const char* b);
SORREL_EXPORT CString operator+(const char* a, const CString& b);
SORREL_EXPORT CString operator+(const CString& a, char b);
SORREL_EXPORT CString operator+(char a, const CString& b);
