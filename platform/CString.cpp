#include "platform/CString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

char AsciiUpper(char ch) {
  return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}
char AsciiLower(char ch) {
  return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Blanks as MFC's parameterless trims see them: space, tab, CR, LF, VT, FF.
constexpr const char* kWhitespace = " \t\r\n\v\f";

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

}  // namespace

CString::CString(const char* text) : data_(text ? text : "") {}

CString::CString(const char* text, int length)
    : data_(text && length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string()) {}

CString::CString(char ch, int repeat) : data_(static_cast<size_t>(std::max(repeat, 0)), ch) {}

CString::CString(std::string text) : data_(std::move(text)) {}

CString::CString(std::string_view text) : data_(text) {}

char CString::GetAt(int index) const { return data_.at(static_cast<size_t>(index)); }

void CString::SetAt(int index, char ch) { data_.at(static_cast<size_t>(index)) = ch; }

char* CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) data_.resize(static_cast<size_t>(minLength));
  return data_.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    data_.resize(std::strlen(data_.c_str()));
  } else {
    data_.resize(static_cast<size_t>(std::min(newLength, GetLength())));
  }
}

CString& CString::operator=(const char* text) {
  data_ = text ? text : "";
  return *this;
}

CString& CString::operator=(char ch) {
  data_.assign(1, ch);
  return *this;
}

CString& CString::operator+=(const CString& other) {
  data_ += other.data_;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text) data_ += text;
  return *this;
}

CString& CString::operator+=(char ch) {
  data_ += ch;
  return *this;
}

int CString::Compare(const char* other) const {
  return std::strcmp(data_.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const {
  const char* a = data_.c_str();
  const char* b = other ? other : "";
  for (;; ++a, ++b) {
    const unsigned char ca = static_cast<unsigned char>(AsciiLower(*a));
    const unsigned char cb = static_cast<unsigned char>(AsciiLower(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  const size_t pos = data_.find(ch, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  const size_t pos = data_.find(sub, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
  const size_t pos = data_.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* charSet) const {
  if (!charSet) return -1;
  const size_t pos = data_.find_first_of(charSet);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = Clamp(first, 0, GetLength());
  count = Clamp(count, 0, GetLength() - first);
  return CString(data_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
  count = Clamp(count, 0, GetLength());
  return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char* charSet) const {
  const size_t pos = data_.find_first_not_of(charSet ? charSet : "");
  return CString(data_.substr(0, pos));
}

CString CString::SpanExcluding(const char* charSet) const {
  const size_t pos = data_.find_first_of(charSet ? charSet : "");
  return CString(data_.substr(0, pos));
}

int CString::Replace(char oldChar, char newChar) {
  int count = 0;
  for (char& ch : data_) {
    if (ch == oldChar) {
      ch = newChar;
      ++count;
    }
  }
  return count;
}

int CString::Replace(const char* oldText, const char* newText) {
  if (!oldText || !*oldText) return 0;
  const std::string_view from(oldText);
  const std::string_view to(newText ? newText : "");
  std::string result;
  int count = 0;
  size_t pos = 0;
  for (size_t hit; (hit = data_.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    result.append(data_, pos, hit - pos).append(to);
    ++count;
  }
  if (count > 0) {
    result.append(data_, pos);
    data_ = std::move(result);
  }
  return count;
}

int CString::Remove(char ch) {
  const auto removed = std::erase(data_, ch);
  return static_cast<int>(removed);
}

int CString::Insert(int index, char ch) {
  index = Clamp(index, 0, GetLength());
  data_.insert(static_cast<size_t>(index), 1, ch);
  return GetLength();
}

int CString::Insert(int index, const char* text) {
  index = Clamp(index, 0, GetLength());
  if (text) data_.insert(static_cast<size_t>(index), text);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (index < GetLength() && count > 0) {
    data_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  }
  return GetLength();
}

CString& CString::MakeUpper() {
  std::transform(data_.begin(), data_.end(), data_.begin(), AsciiUpper);
  return *this;
}

CString& CString::MakeLower() {
  std::transform(data_.begin(), data_.end(), data_.begin(), AsciiLower);
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(data_.begin(), data_.end());
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(char target) { return TrimRight(target).TrimLeft(target); }
CString& CString::Trim(const char* targets) { return TrimRight(targets).TrimLeft(targets); }
CString& CString::TrimLeft() { return TrimLeft(kWhitespace); }
CString& CString::TrimRight() { return TrimRight(kWhitespace); }

CString& CString::TrimLeft(char target) {
  const char targets[2] = {target, '\0'};
  return TrimLeft(targets);
}

CString& CString::TrimRight(char target) {
  const char targets[2] = {target, '\0'};
  return TrimRight(targets);
}

CString& CString::TrimLeft(const char* targets) {
  const size_t pos = data_.find_first_not_of(targets ? targets : "");
  data_.erase(0, pos);
  return *this;
}

CString& CString::TrimRight(const char* targets) {
  const size_t pos = data_.find_last_not_of(targets ? targets : "");
  data_.erase(pos == std::string::npos ? 0 : pos + 1);
  return *this;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (needed < 0) {
    data_.clear();
    return;
  }
  std::string result(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(result.data(), result.size(), format, args);
  result.resize(static_cast<size_t>(needed));
  data_ = std::move(result);
}

void CString::AppendFormat(const char* format, ...) {
  CString tail;
  va_list args;
  va_start(args, format);
  tail.FormatV(format, args);
  va_end(args);
  data_ += tail.data_;
}

CString operator+(const CString& a, const CString& b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(const CString& a, const char* b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(const char* a, const CString& b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(const CString& a, char b) {
  CString result(a);
  result += b;
  return result;
}

CString operator+(char a, const CString& b) {
  CString result(a);
  result += b;
  return result;
}
