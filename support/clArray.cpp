#include "support/clArray.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr uint16_t kAllocationStep = 5;
constexpr uint32_t kMaxElements = UINT16_MAX;
}  // namespace

clArray::clArray(uint16_t elementSize)
    : elementSize_(elementSize), count_(0), capacity_(0), storage_(nullptr) {
  // Starts as a flush does: five zero-filled elements, or no storage when
  // that allocation fails (fnAdd then allocates afresh).
  fnFlush();
}

clArray::~clArray() { std::free(storage_); }

tARR_STATUS clArray::fnAdd(const void* element) {
  if (elementSize_ == 0) return ARR_ALLOC_FAILED;
  if (count_ == capacity_) {
    const uint32_t grown = uint32_t{capacity_} + kAllocationStep;
    // A 16-bit capacity must not wrap round to a smaller storage.
    if (grown > kMaxElements) return ARR_ALLOC_FAILED;
    void* larger = std::realloc(storage_, size_t{grown} * elementSize_);
    if (!larger) return ARR_ALLOC_FAILED;
    storage_ = larger;
    capacity_ = static_cast<uint16_t>(grown);
  }
  std::memcpy(static_cast<char*>(storage_) + size_t{count_} * elementSize_, element, elementSize_);
  ++count_;
  return ARR_OK;
}

tARR_STATUS clArray::fnFlush() {
  std::free(storage_);
  storage_ = nullptr;
  count_ = 0;
  capacity_ = 0;
  if (elementSize_ == 0) return ARR_ALLOC_FAILED;
  storage_ = std::calloc(kAllocationStep, elementSize_);
  if (!storage_) return ARR_ALLOC_FAILED;
  capacity_ = kAllocationStep;
  return ARR_OK;
}

tARR_STATUS clArray::fnResize() {
  if (count_ >= capacity_) return ARR_NOTHING_TO_SHRINK;
  if (count_ == 0) {
    // realloc to zero bytes may free the block and still answer null; free
    // it outright so the array never holds a dangling pointer.
    std::free(storage_);
    storage_ = nullptr;
    capacity_ = 0;
    return ARR_OK;
  }
  void* smaller = std::realloc(storage_, size_t{count_} * elementSize_);
  if (!smaller) return ARR_SHRINK_FAILED;
  storage_ = smaller;
  capacity_ = count_;
  return ARR_OK;
}
