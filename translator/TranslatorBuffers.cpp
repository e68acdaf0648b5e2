#include "translator/TranslatorBuffers.h"

TranslatorBuffers& TranslatorBuffers::shared() {
  static TranslatorBuffers buffers{};
  return buffers;
}
