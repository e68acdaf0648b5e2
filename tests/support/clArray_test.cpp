#include "support/clArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

struct Record {
  int32_t id;   // distinguishes the elements
  char tag[6];  // makes the element size odd-sized but fixed
};

void AddRecords(clArray& array, int32_t from, int32_t to) {
  for (int32_t id = from; id < to; ++id) {
    const Record record{id, "abcde"};
    ASSERT_EQ(array.fnAdd(&record), ARR_OK) << id;
  }
}

TEST(clArray, GrowsInStepsOfFiveResizesToCountAndKeepsElements) {
  clArray array(sizeof(Record));
  AddRecords(array, 0, 5);
  EXPECT_EQ(array.fnResize(), ARR_NOTHING_TO_SHRINK);  // five in a capacity of five
  AddRecords(array, 5, 6);                             // grows to ten
  EXPECT_EQ(array.fnResize(), ARR_OK);                 // capacity 6
  EXPECT_EQ(array.fnResize(), ARR_NOTHING_TO_SHRINK);  // already exact
  AddRecords(array, 6, 7);                             // capacity 11
  EXPECT_EQ(array.fnResize(), ARR_OK);
  ASSERT_EQ(array.fnGetNbElem(), 7);
  const auto* records = static_cast<const Record*>(array.fnGetArray());
  for (int32_t id = 0; id < 7; ++id) EXPECT_EQ(records[id].id, id);
}

TEST(clArray, FlushEmptiesAndShrinkingToNothingStaysUsable) {
  clArray array(4);
  const int32_t value = 42;
  ASSERT_EQ(array.fnAdd(&value), ARR_OK);
  EXPECT_EQ(array.fnFlush(), ARR_OK);
  EXPECT_EQ(array.fnGetNbElem(), 0);
  const char zeros[5 * 4] = {};
  EXPECT_EQ(std::memcmp(array.fnGetArray(), zeros, sizeof zeros), 0);
  EXPECT_EQ(array.fnResize(), ARR_OK);  // to no storage at all
  ASSERT_EQ(array.fnAdd(&value), ARR_OK);
  EXPECT_EQ(*static_cast<const int32_t*>(array.fnGetArray()), 42);
}

TEST(clArray, RefusesToGrowPastSixteenBitCountOrWithZeroElementSize) {
  clArray array(1);
  const char byte = 'x';
  for (int i = 0; i < UINT16_MAX; ++i) ASSERT_EQ(array.fnAdd(&byte), ARR_OK);
  EXPECT_EQ(array.fnAdd(&byte), ARR_ALLOC_FAILED);
  EXPECT_EQ(array.fnGetNbElem(), UINT16_MAX);
  clArray empty(0);
  EXPECT_EQ(empty.fnGetArray(), nullptr);
  EXPECT_EQ(empty.fnAdd(&byte), ARR_ALLOC_FAILED);
  EXPECT_EQ(empty.fnFlush(), ARR_ALLOC_FAILED);
}

}  // namespace
