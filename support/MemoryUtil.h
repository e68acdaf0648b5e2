#pragma once

#include "platform/Export.h"

// Byte-order conversion of raw memory.
class SORREL_EXPORT MemoryUtil {
 public:
  // Swaps the two bytes of each of the `count` 16-bit words at `words`, in
  // place; the caller owns the words. A null pointer or a count of 0 does nothing.
  static void LittleEndianToBigEndian(unsigned short* words, unsigned count);
};
