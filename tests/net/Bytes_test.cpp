#include "net/Bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "net/ByteBuffer.h"
#include "net/HttpResponse.h"

namespace {

unsigned char* Block(const char* text, unsigned int length) {
  return static_cast<unsigned char*>(std::memcpy(new unsigned char[length], text, length));
}

// LeakSanitizer reports any block lost here, an empty one included.
TEST(Bytes, ReleasesEveryBlockItWasGiven) {
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
  const std::unique_ptr<Bytes> empty(buffer.ToBytes());
  EXPECT_EQ(empty->GetBytes(), nullptr);
  CString text("previous");
  empty->ToString(text);
  EXPECT_EQ(text, "");
  buffer.Append(Block("ab", 2), 2);
  buffer.Append(new unsigned char[0], 0);
  buffer.Append(Block("c\0d", 3), 3);
  for (int round = 0; round < 2; ++round) {
    std::unique_ptr<Bytes>(buffer.ToBytes())->ToString(text);
    EXPECT_EQ(text.str(), std::string("abc\0d", 5));
  }
  EXPECT_EQ(buffer.GetLength(), 5u);
}

}  // namespace
