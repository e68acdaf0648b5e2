#pragma once

#include <cstdint>

#include "platform/Export.h"

// One entry of a template: a block entry (fieldName null) or a field entry
// (fieldName set). Every string is owned (new[]), may be null and is
// duplicated, never shared, when a record is copied.
class SORREL_EXPORT tBlock {
 public:
  // Strings null, numbers 0, allowEmpty 1, length -1.
  tBlock();
  tBlock(const tBlock& other);
  // Frees the strings.
  virtual ~tBlock();
  // Frees this record's strings, duplicates the other's and copies the
  // numbers; self-assignment changes nothing. Throws std::bad_alloc (this
  // record is then unchanged).
  virtual tBlock& operator=(const tBlock& other);

  char* format;        // field: output text, holding one %s for the value
  char* leaderName;    // block: repeated once per further occurrence of this field
  char* existName;     // block: entered only if this field occurs at all
  char* notExistName;  // block: entered only if this field does not occur from `cursor` on
  char* beginText;     // block: written before the first field printed inside
  char* endText;       // block: written when an opened block is closed
  char* fieldName;     // field: the data field printed; null for a block
  int32_t index;       // position in the entry table
  int32_t level;       // nesting level, 1 at top level
  int32_t opened;      // block: 1 while its begin text is written and its end text not yet
  uint32_t cursor;     // data-table index from which the next lookup starts
  int32_t allowEmpty;  // field: 1 prints an empty value, 0 (NOT_EMPTY) skips it
  int32_t offset;      // field: leading characters of the value to skip
  int32_t length;      // field: characters printed after the offset, -1 for all
};
