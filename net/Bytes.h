#pragma once

#include "platform/CString.h"
#include "platform/Export.h"

// An owned block of bytes: the body of an HTTP response. It never copies the
// memory it is given: a block handed to it must come from new unsigned char[]
// and is released with delete[] by the Bytes.
class SORREL_EXPORT Bytes {
 public:
  // No bytes: data null, length 0.
  Bytes();
  // Takes `data` (length bytes, may be null when length is 0) into ownership.
  Bytes(unsigned char* data, unsigned int length);
  virtual ~Bytes();
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;

  // Releases the block held so far and takes `data` into ownership instead.
  void SetBytes(unsigned char* data, unsigned int length);
  // The block, still owned by this object; null when there are no bytes.
  unsigned char* GetBytes();
  unsigned int GetLength();
  // `text` becomes exactly the bytes, NUL bytes included, without conversion.
  void ToString(CString& text);

 private:
  unsigned char* data;  // the bytes, owned; null when empty
  unsigned int length;  // their number
};
