#pragma once

#include "platform/Export.h"

// One field of a KTF record. Both strings are owned (new[]), may be null and
// are duplicated, never shared, when a record is copied.
class SORREL_EXPORT tKtfField {
 public:
  // Both strings null.
  tKtfField();
  // Copies of `name` and `value` (either may be null). Throws std::bad_alloc.
  tKtfField(const char* name, const char* value);
  tKtfField(const tKtfField& other);
  // Frees both strings.
  virtual ~tKtfField();
  // Frees this record's strings and duplicates the other's; self-assignment
  // changes nothing. Throws std::bad_alloc (this record then keeps its strings).
  virtual tKtfField& operator=(const tKtfField& other);

  char* name;   // field code, such as "TI"
  char* value;  // field value, after replacement
};
