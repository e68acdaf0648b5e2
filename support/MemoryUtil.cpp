#include "support/MemoryUtil.h"

void MemoryUtil::LittleEndianToBigEndian(unsigned short* words, unsigned count) {
  if (!words) return;
  for (unsigned i = 0; i < count; ++i) {
    words[i] = static_cast<unsigned short>((words[i] << 8) | (words[i] >> 8));
  }
}
