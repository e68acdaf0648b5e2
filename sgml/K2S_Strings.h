#pragma once

#include <cstring>

// Owned C strings of the converter's records: allocated with new[], released
// with delete[]. Both accept null.
namespace k2s {

// A new[] copy of `text`, or null for a null text. Throws std::bad_alloc.
inline char* Duplicate(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t size = std::strlen(text) + 1;
  char* copy = new char[size];
  std::memcpy(copy, text, size);
  return copy;
}

// Replaces `*slot` by a copy of `text`, releasing the old string after the
// copy succeeded (so `text` may be `*slot` itself).
inline void Assign(char*& slot, const char* text) {
  char* copy = Duplicate(text);
  delete[] slot;
  slot = copy;
}

}  // namespace k2s
