#include "net/Bytes.h"

Bytes::Bytes() : data(nullptr), length(0) {}

Bytes::Bytes(unsigned char* data, unsigned int length)
    : data(data), length(length) {}

// A block is released whenever one is held, also when its length is 0, so
// that an empty block handed over is not lost.
Bytes::~Bytes() { delete[] data; }

void Bytes::SetBytes(unsigned char* newData, unsigned int newLength) {
  if (newData != data) delete[] data;
  data = newData;
  length = newLength;
}

unsigned char* Bytes::GetBytes() { return data; }

unsigned int Bytes::GetLength() { return length; }

void Bytes::ToString(CString& text) {
  text = length > 0 ? CString(reinterpret_cast<const char*>(data), static_cast<int>(length))
                    : CString();
}
