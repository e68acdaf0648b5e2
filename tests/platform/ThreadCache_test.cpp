#include "platform/ThreadCache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<int> released{0};
void Release(int* value) {
  ++released;
  delete value;
}
using Cache = ThreadCache<int, &Release>;

// What a destructor that runs after the cache has closed gets.
struct LateUser {
  bool* gotNothing = nullptr;
  ~LateUser() {
    int own = 0;
    if (gotNothing)
      *gotNothing = Cache::Get([] { return new int(9); }) == nullptr && !Cache::Keep(&own) &&
                    Cache::Take() == nullptr;
  }
};
thread_local LateUser lateUser;

TEST(ThreadCache, EachThreadKeepsOneObjectFreedWhenTheThreadEndsThenRefusesAll) {
  released = 0;
  bool gotNothing = false;
  std::thread([&] {
    lateUser.gotNothing = &gotNothing;  // made first, so destroyed after the cache's guard
    int made = 0;
    auto make = [&] {
      ++made;
      return new int(made);
    };
    int* first = Cache::Get(make);
    EXPECT_EQ(Cache::Get(make), first);
    EXPECT_EQ(made, 1);
    int* other = nullptr;
    std::thread([&] { other = Cache::Take(); }).join();
    EXPECT_EQ(other, nullptr) << "another thread saw this thread's object";

    // Taken out, the object is the caller's; one kept object at a time.
    int* taken = Cache::Take();
    EXPECT_EQ(taken, first);
    EXPECT_EQ(Cache::Take(), nullptr);
    EXPECT_TRUE(Cache::Keep(taken));
    int spare = 0;
    EXPECT_FALSE(Cache::Keep(&spare));
  }).join();
  EXPECT_EQ(released, 1);
  EXPECT_TRUE(gotNothing);
}

}  // namespace
