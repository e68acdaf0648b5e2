#pragma once

#include <vector>

#include "platform/CString.h"
#include "platform/Export.h"

// MFC's growable array of strings. Indexed access (GetAt, SetAt, ElementAt,
// operator[]) requires an index inside the array and throws std::out_of_range
// otherwise; SetAtGrow and InsertAt grow the array with empty strings.
class SORREL_EXPORT CStringArray {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  int GetCount() const { return GetSize(); }
  int GetUpperBound() const { return GetSize() - 1; }
  bool IsEmpty() const { return items_.empty(); }
  // Grows with empty strings or cuts to newSize. A positive growBy makes room
  // for that many more elements at once, so that as many Adds do not
  // reallocate.
  void SetSize(int newSize, int growBy = -1);

  const CString& GetAt(int index) const { return items_.at(static_cast<size_t>(index)); }
  CString& ElementAt(int index) { return items_.at(static_cast<size_t>(index)); }
  const CString& operator[](int index) const { return GetAt(index); }
  CString& operator[](int index) { return ElementAt(index); }
  void SetAt(int index, const CString& value) { ElementAt(index) = value; }
  void SetAtGrow(int index, const CString& value);

  // Appends value; returns its index.
  int Add(const CString& value);
  int Add(CString&& value);
  // Appends every element of other; returns the index of the first one added.
  int Append(const CStringArray& other);
  void Copy(const CStringArray& other) { items_ = other.items_; }
  void InsertAt(int index, const CString& value, int count = 1);
  void RemoveAt(int index, int count = 1);
  void RemoveAll() { items_.clear(); }

 private:
  std::vector<CString> items_;
};
