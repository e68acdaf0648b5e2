#pragma once

#include <cstdint>

#include "platform/CPtrList.h"

class Bytes;

// Collects the chunks of a body while it is read, then joins them. Internal.
class ByteBuffer {
 public:
  ByteBuffer();
  virtual ~ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // Wraps the block (from new unsigned char[], taken into ownership) in a
  // Bytes at the tail of the chunks.
  void Append(unsigned char* data, unsigned int length);
  // A new Bytes, owned by the caller, holding all chunks joined head to tail
  // (null data and length 0 when there are none); the chunks stay. Null when
  // the total does not fit a 32-bit length or memory runs out.
  Bytes* ToBytes();
  // The total number of bytes held, which may exceed a 32-bit length.
  uint64_t GetLength() const { return total; }

 private:
  CPtrList chunks;  // Bytes*, owned, in arrival order
  uint64_t total;   // sum of the chunk lengths
};
