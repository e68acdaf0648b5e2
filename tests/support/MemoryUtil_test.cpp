#include "support/MemoryUtil.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MemoryUtil, SwapsBytesOfExactlyCountWords) {
  std::vector<unsigned short> words = {0x1234, 0xABCD, 0x00FF, 0x5555};
  MemoryUtil::LittleEndianToBigEndian(words.data(), 3);
  MemoryUtil::LittleEndianToBigEndian(words.data(), 0);
  // The fourth word lies beyond the count; a count of 0 swaps nothing.
  EXPECT_EQ(words, (std::vector<unsigned short>{0x3412, 0xCDAB, 0xFF00, 0x5555}));
}

}  // namespace
