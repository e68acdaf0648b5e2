#include "net/ByteBuffer.h"

#include <cstring>
#include <limits>
#include <new>

#include "net/Bytes.h"

ByteBuffer::ByteBuffer() : total(0) {}

ByteBuffer::~ByteBuffer() {
  while (!chunks.IsEmpty()) delete static_cast<Bytes*>(chunks.RemoveHead());
}

void ByteBuffer::Append(unsigned char* data, unsigned int length) {
  chunks.AddTail(new Bytes(data, length));
  total += length;
}

Bytes* ByteBuffer::ToBytes() {
  if (total > std::numeric_limits<unsigned int>::max()) return nullptr;
  const auto length = static_cast<unsigned int>(total);
  unsigned char* block = nullptr;
  if (length > 0) {
    block = new (std::nothrow) unsigned char[length];
    if (block == nullptr) return nullptr;
    unsigned int offset = 0;
    for (POSITION position = chunks.GetHeadPosition(); position;) {
      Bytes* chunk = static_cast<Bytes*>(chunks.GetNext(position));
      if (chunk->GetLength() > 0)
        std::memcpy(block + offset, chunk->GetBytes(), chunk->GetLength());
      offset += chunk->GetLength();
    }
  }
  return new Bytes(block, length);
}
