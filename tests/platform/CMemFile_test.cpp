#include "platform/CMemFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Contents(const CMemFile& file) {
  const BYTE* data = file.GetData();
  return data ? std::string(reinterpret_cast<const char*>(data), file.GetLength()) : "";
}

TEST(CMemFile, WritesAndReadsAtThePosition) {
  CMemFile file;
  file.Write("hello world", 11);
  EXPECT_EQ(file.Seek(6, CMemFile::begin), 6);
  file.Write("there", 5);  // overwrites in place
  EXPECT_EQ(Contents(file), "hello there");
  EXPECT_EQ(file.Seek(-5, CMemFile::end), 6);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);  // short read at the end
  EXPECT_STREQ(buffer, "there");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
}

TEST(CMemFile, SeekPastEndLeavesZeroFilledGapOnWrite) {
  CMemFile file;
  file.Write("ab", 2);
  EXPECT_EQ(file.Seek(2, CMemFile::current), 4);
  EXPECT_EQ(file.GetLength(), 2u);  // seeking alone does not grow
  file.Write("c", 1);
  EXPECT_EQ(Contents(file), std::string("ab\0\0c", 5));
}

TEST(CMemFile, RefusesSeekBeforeStartOrFromUnknownOrigin) {
  CMemFile file;
  file.Write("abc", 3);
  EXPECT_EQ(file.Seek(-4, CMemFile::end), -1);
  EXPECT_EQ(file.Seek(0, 7), -1);
  EXPECT_EQ(file.GetPosition(), 3u);
}

TEST(CMemFile, DetachHandsOverBytesAndEmptiesFile) {
  CMemFile file;
  file.Write("xyz", 3);
  BYTE* bytes = file.Detach();
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::memcmp(bytes, "xyz", 3), 0);
  std::free(bytes);
  EXPECT_EQ(file.GetLength(), 0u);
  EXPECT_EQ(file.GetPosition(), 0u);
  EXPECT_EQ(file.Detach(), nullptr);
}

}  // namespace
