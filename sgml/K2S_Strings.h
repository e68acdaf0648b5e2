#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <tuple>

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

// The members of a record type, each named once by a pointer to member: the
// owned strings, freed and duplicated, and the plain values, copied as they
// are. The one way the converter's records free and copy themselves.
template <class Record, size_t N, class... Values>
class RecordMembers {
 public:
  constexpr RecordMembers(std::array<char * Record::*, N> strings, Values Record::*... values)
      : strings_(strings), values_(values...) {}

  // Frees every owned string of `record`.
  void Free(Record& record) const {
    for (char* Record::*member : strings_) delete[](record.*member);
  }

  // Copy assignment: `to` frees its strings and takes copies of those of
  // `from`, and the values of `from`. Every copy is made first: when an
  // allocation throws std::bad_alloc, `to` is unchanged. Copying a record to
  // itself changes nothing.
  Record& Copy(Record& to, const Record& from) const {
    if (&to == &from) return to;
    std::array<std::unique_ptr<char[]>, N> copies;
    for (size_t i = 0; i < N; ++i) copies[i].reset(Duplicate(from.*strings_[i]));
    for (size_t i = 0; i < N; ++i) {
      delete[](to.*strings_[i]);
      to.*strings_[i] = copies[i].release();
    }
    std::apply([&](auto... value) { ((to.*value = from.*value), ...); }, values_);
    return to;
  }

 private:
  std::array<char * Record::*, N> strings_;
  std::tuple<Values Record::*...> values_;
};

}  // namespace k2s
