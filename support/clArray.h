#pragma once

#include <cstdint>

#include "platform/Export.h"

// Result of the clArray operations.
enum tARR_STATUS : int {
  ARR_OK = 0,                 // done
  ARR_NOTHING_TO_SHRINK = 1,  // the count is not below the capacity
  ARR_SHRINK_FAILED = 2,      // the storage cannot be reallocated while shrinking
  ARR_ALLOC_FAILED = 3,       // the storage cannot be allocated while growing or flushing
};

// A growable array of raw elements of one fixed size, copied in byte for byte.
// It owns its storage and grows and shrinks it in steps of 5 elements. It
// holds at most 65535 elements (its count is 16 bits wide). An array made
// with element size 0 has no storage: fnAdd and fnFlush answer ARR_ALLOC_FAILED.
class SORREL_EXPORT clArray {
 public:
  explicit clArray(uint16_t elementSize);
  ~clArray();
  // The storage is owned; copying would share and free it twice.
  clArray(const clArray&) = delete;
  clArray& operator=(const clArray&) = delete;

  // Appends a copy of the element-size bytes at `element` (which must point
  // to that many bytes), growing the storage by 5 elements when full.
  // ARR_ALLOC_FAILED when the storage cannot grow; nothing is added then.
  [[nodiscard]] tARR_STATUS fnAdd(const void* element);
  // Empties the array and starts again with 5 zero-filled elements.
  tARR_STATUS fnFlush();
  // Shrinks the storage to exactly the count of elements.
  tARR_STATUS fnResize();

  // The elements, owned by the array; valid until the next fnAdd, fnFlush or
  // fnResize. Null when the array has no storage.
  void* fnGetArray() const { return storage_; }
  uint16_t fnGetNbElem() const { return count_; }
  uint16_t fnSizeOfElem() const { return elementSize_; }

 private:
  uint16_t elementSize_;  // bytes per element
  uint16_t count_;        // elements in use
  uint16_t capacity_;     // elements the storage holds
  void* storage_;         // malloc'd, capacity_ * elementSize_ bytes; null without storage
};
