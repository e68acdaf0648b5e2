#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// An owning, ordered table of pointers to T (tKtfField, tBlock or
// tReplaceText). The pointer array's capacity is the count rounded up to a
// multiple of 16, and no array exists while the table is empty. Elements are
// created and deleted by the table; GetAt hands out pointers that stay valid
// until their element is removed. An allocation failure throws
// std::bad_alloc and leaves the count unchanged.
template <class T>
class cl_Table {
 public:
  // Compares two pointer slots (each a `T* const*`), for Sort and Find.
  using Compare = int (*)(const void*, const void*);
  static constexpr uint32_t kGrowth = 16;  // slots added or removed at once

  cl_Table() = default;
  cl_Table(const cl_Table& other) { Append(other); }
  // Deletes every element and the array.
  virtual ~cl_Table() { RemoveAll(); }

  // Deletes every element and releases the array; the count becomes 0.
  virtual void RemoveAll() {
    for (uint32_t i = 0; i < m_count; ++i) delete m_items[i];
    delete[] m_items;
    m_items = nullptr;
    m_count = 0;
    m_capacity = 0;
  }
  virtual uint32_t GetCount() const { return m_count; }
  // The element at `index`; callers keep `index` below GetCount().
  virtual T* GetAt(uint32_t index) const { return m_items[index]; }
  // Appends a copy of `element`.
  virtual cl_Table& Add(const T& element) {
    InsertAt(m_count);
    try {
      *m_items[m_count - 1] = element;
    } catch (...) {
      RemoveAt(m_count - 1);
      throw;
    }
    return *this;
  }
  // Adds a copy of every element of `other`, in order.
  virtual cl_Table& Append(const cl_Table& other) {
    for (uint32_t i = 0; i < other.GetCount(); ++i) Add(*other.GetAt(i));
    return *this;
  }
  // Inserts a default-constructed element at `index` (0 to the count).
  virtual cl_Table& InsertAt(uint32_t index) {
    T* element = new T();
    if (m_count % kGrowth == 0) {
      T** grown = nullptr;
      try {
        grown = new T*[m_count + kGrowth]();
      } catch (...) {
        delete element;
        throw;
      }
      if (m_count > 0) std::memcpy(grown, m_items, m_count * sizeof(T*));
      delete[] m_items;
      m_items = grown;
      m_capacity = m_count + kGrowth;
    }
    std::memmove(m_items + index + 1, m_items + index, (m_count - index) * sizeof(T*));
    m_items[index] = element;
    ++m_count;
    return *this;
  }
  // Deletes the element at `index` (below the count) and closes the gap.
  virtual cl_Table& RemoveAt(uint32_t index) {
    delete m_items[index];
    std::memmove(m_items + index, m_items + index + 1, (m_count - index - 1) * sizeof(T*));
    m_items[m_count - 1] = nullptr;
    const uint32_t oldCount = m_count--;
    if (m_count == 0) {
      delete[] m_items;
      m_items = nullptr;
      m_capacity = 0;
    } else if (oldCount % kGrowth == 1) {
      // Shrinking never needs to succeed: on failure the larger array stays.
      T** shrunk = new (std::nothrow) T*[m_count];
      if (shrunk != nullptr) {
        std::memcpy(shrunk, m_items, m_count * sizeof(T*));
        delete[] m_items;
        m_items = shrunk;
        m_capacity = m_count;
      }
    }
    return *this;
  }
  // Replaces the content by copies of the other table's elements.
  virtual cl_Table& operator=(const cl_Table& other) {
    if (this == &other) return *this;
    RemoveAll();
    return Append(other);
  }
  // Sorts the pointers with qsort; nothing happens on an empty table.
  virtual void Sort(Compare compare) {
    if (m_count > 0) std::qsort(m_items, m_count, sizeof(T*), compare);
  }
  // Binary search of the sorted table for `key` (compared through a pointer
  // to it); the element found, or null.
  virtual T* Find(const T* key, Compare compare) const {
    if (m_count == 0) return nullptr;
    void* found = std::bsearch(&key, m_items, m_count, sizeof(T*), compare);
    return found == nullptr ? nullptr : *static_cast<T**>(found);
  }

  // Slots of the pointer array, 0 when there is none.
  uint32_t GetCapacity() const { return m_capacity; }

 private:
  uint32_t m_count = 0;     // elements held
  uint32_t m_capacity = 0;  // slots of m_items
  T** m_items = nullptr;    // pointer array, null while empty
};
