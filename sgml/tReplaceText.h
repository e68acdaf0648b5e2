#pragma once

#include <cstdint>

#include "platform/Export.h"

// One rule of a template's REPLACE section: a split rule when cutName1 is
// set, a repeat rule when newField is 1, a replacement rule otherwise. Every
// string is owned (new[]), may be null and is duplicated when copied.
class SORREL_EXPORT tReplaceText {
 public:
  // Strings null, newField 0.
  tReplaceText();
  tReplaceText(const tReplaceText& other);
  // Frees the strings.
  virtual ~tReplaceText();
  // Frees this record's strings, duplicates the other's; self-assignment
  // changes nothing. Throws std::bad_alloc (this record is then unchanged).
  virtual tReplaceText& operator=(const tReplaceText& other);

  char* fieldName;    // field the rule applies to; null: every field (replacement rules only)
  char* cutName1;     // split rule: receives the text before the first separator
  char* cutName2;     // split rule: the second part
  char* cutName3;     // split rule: the third part, null for a two-part rule
  char* searchText;   // replacement: text to find; split and repeat: the separator
  char* replaceText;  // replacement: text put in place of searchText
  int32_t newField;   // 1 for a repeat rule, 0 otherwise
};
