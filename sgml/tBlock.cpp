#include "sgml/tBlock.h"

#include <utility>

#include "sgml/K2S_Strings.h"

tBlock::tBlock()
    : format(nullptr),
      leaderName(nullptr),
      existName(nullptr),
      notExistName(nullptr),
      beginText(nullptr),
      endText(nullptr),
      fieldName(nullptr),
      index(0),
      level(0),
      opened(0),
      cursor(0),
      allowEmpty(1),
      offset(0),
      length(-1) {}

tBlock::tBlock(const tBlock& other) : tBlock() { *this = other; }

tBlock::~tBlock() {
  for (char* text : {format, leaderName, existName, notExistName, beginText, endText, fieldName}) {
    delete[] text;
  }
}

tBlock& tBlock::operator=(const tBlock& other) {
  if (this == &other) return *this;
  // Copy every string first, so that a failed allocation leaves this record as it was.
  tBlock copy;
  copy.format = k2s::Duplicate(other.format);
  copy.leaderName = k2s::Duplicate(other.leaderName);
  copy.existName = k2s::Duplicate(other.existName);
  copy.notExistName = k2s::Duplicate(other.notExistName);
  copy.beginText = k2s::Duplicate(other.beginText);
  copy.endText = k2s::Duplicate(other.endText);
  copy.fieldName = k2s::Duplicate(other.fieldName);
  std::swap(format, copy.format);
  std::swap(leaderName, copy.leaderName);
  std::swap(existName, copy.existName);
  std::swap(notExistName, copy.notExistName);
  std::swap(beginText, copy.beginText);
  std::swap(endText, copy.endText);
  std::swap(fieldName, copy.fieldName);
  index = other.index;
  level = other.level;
  opened = other.opened;
  cursor = other.cursor;
  allowEmpty = other.allowEmpty;
  offset = other.offset;
  length = other.length;
  return *this;
}
