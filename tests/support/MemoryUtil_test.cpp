#include "support/MemoryUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryUtil, SwapsBytesOfExactlyCountWords) {
  unsigned short words[] = {0x1234, 0xABCD, 0x00FF, 0x5555};
  MemoryUtil::LittleEndianToBigEndian(words, 3);
  EXPECT_EQ(words[0], 0x3412);
  EXPECT_EQ(words[1], 0xCDAB);
  EXPECT_EQ(words[2], 0xFF00);
  EXPECT_EQ(words[3], 0x5555);  // beyond count: untouched
  MemoryUtil::LittleEndianToBigEndian(words, 0);
  EXPECT_EQ(words[0], 0x3412);
}

}  // namespace
