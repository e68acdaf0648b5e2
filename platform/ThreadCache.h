#pragma once

#include <utility>

// One object per thread, kept from one call to the next and freed when the
// thread ends: a handle or a set of tables that costs more to make than the
// work done with it. `Release(T*)` frees a kept object. Each instantiation
// has a slot of its own in every thread; nothing is shared between threads.
//
// The slot is a plain thread-local without a destructor, so it stays
// readable while the thread ends. A second thread-local, a guard made at the
// thread's first call, frees the kept object then and closes the slot: work
// done afterwards by another thread-local's or a static object's destructor
// is given nothing (Get answers null, Keep refuses) and makes do without.
template <typename T, auto Release>
class ThreadCache {
 public:
  // The object kept for this thread, made with `make()` when none is; it
  // stays the cache's. Null once the thread is ending (nothing is made then)
  // or when `make` gives null.
  template <typename Make>
  static T* Get(Make make) {
    Arm();
    if (slot.kept == nullptr && !slot.closed) slot.kept = make();
    return slot.kept;
  }
  // The kept object, taken out of the cache for the caller to own; null when
  // none is kept.
  static T* Take() {
    Arm();
    return std::exchange(slot.kept, nullptr);
  }
  // Keeps `object` for the thread's next Take or Get. False when the thread
  // is ending or an object is already kept: the caller then still owns it.
  static bool Keep(T* object) {
    Arm();
    if (slot.closed || slot.kept != nullptr) return false;
    slot.kept = object;
    return true;
  }

 private:
  struct Slot {
    T* kept = nullptr;
    bool closed = false;  // the thread is ending: nothing is kept any more
  };
  struct Guard {
    ~Guard() {
      if (slot.kept != nullptr) Release(slot.kept);
      slot.kept = nullptr;
      slot.closed = true;
    }
  };
  // Naming the guard makes it, with its destructor, on the thread's first call.
  static void Arm() { (void)&guard; }

  static inline thread_local Slot slot;
  static inline thread_local Guard guard;
};
