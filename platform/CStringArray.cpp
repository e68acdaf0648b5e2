#include "platform/CStringArray.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

void CStringArray::SetSize(int newSize, int growBy) {
  items_.resize(static_cast<size_t>(std::max(newSize, 0)));
  if (growBy > 0) items_.reserve(items_.size() + static_cast<size_t>(growBy));
}

void CStringArray::SetAtGrow(int index, const CString& value) {
  if (index < 0) throw std::out_of_range("CStringArray::SetAtGrow: negative index");
  if (index >= GetSize()) SetSize(index + 1);
  items_[static_cast<size_t>(index)] = value;
}

int CStringArray::Add(const CString& value) {
  items_.push_back(value);
  return GetUpperBound();
}

int CStringArray::Add(CString&& value) {
  items_.push_back(std::move(value));
  return GetUpperBound();
}

int CStringArray::Append(const CStringArray& other) {
  const int first = GetSize();
  items_.insert(items_.end(), other.items_.begin(), other.items_.end());
  return first;
}

void CStringArray::InsertAt(int index, const CString& value, int count) {
  if (index < 0 || count < 0) throw std::out_of_range("CStringArray::InsertAt: negative argument");
  if (index > GetSize()) SetSize(index);
  items_.insert(items_.begin() + index, static_cast<size_t>(count), value);
}

void CStringArray::RemoveAt(int index, int count) {
  if (index < 0 || count < 0 || index + count > GetSize()) {
    throw std::out_of_range("CStringArray::RemoveAt: range outside the array");
  }
  items_.erase(items_.begin() + index, items_.begin() + index + count);
}
