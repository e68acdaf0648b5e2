#include "net/Bytes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "net/ByteBuffer.h"
#include "net/HttpResponse.h"

namespace {

unsigned char* Block(const char* text, unsigned int length) {
  auto* block = new unsigned char[length];
  std::memcpy(block, text, length);
  return block;
}

TEST(Bytes, ReleasesEveryBlockItWasGiven) {
  // LeakSanitizer reports any block lost here, an empty one included.
  Bytes bytes(new unsigned char[0], 0);
  bytes.SetBytes(Block("xy", 2), 2);
  EXPECT_EQ(bytes.GetLength(), 2u);
  HttpResponse response;
  response.SetBytes(new Bytes(Block("one", 3), 3));
  response.SetBytes(new Bytes(Block("two", 3), 3));
  CString text;
  response.GetString(text);
  EXPECT_EQ(text, "two");
}

TEST(ByteBuffer, JoinsChunksInOrderWithEveryByteIncludingNulAndKeepsThem) {
  ByteBuffer buffer;
  Bytes* empty = buffer.ToBytes();
  EXPECT_EQ(empty->GetLength(), 0u);
  EXPECT_EQ(empty->GetBytes(), nullptr);
  CString text("previous");
  empty->ToString(text);
  EXPECT_EQ(text, "");
  delete empty;
  buffer.Append(Block("ab", 2), 2);
  buffer.Append(new unsigned char[0], 0);
  buffer.Append(Block("c\0d", 3), 3);
  for (int round = 0; round < 2; ++round) {
    Bytes* joined = buffer.ToBytes();
    joined->ToString(text);
    EXPECT_EQ(text.str(), std::string("abc\0d", 5));
    delete joined;
  }
  EXPECT_EQ(buffer.GetLength(), 5u);
}

}  // namespace
