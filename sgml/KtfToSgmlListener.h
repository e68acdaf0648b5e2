#pragma once

#include "platform/Export.h"

// Lets the client rewrite each value just before the converter formats it.
// A converter that is given a listener owns it and deletes it through this
// class, so derived listeners are destroyed completely.
class SORREL_EXPORT KtfToSgmlListener {
 public:
  KtfToSgmlListener() = default;
  KtfToSgmlListener(const KtfToSgmlListener&) = default;
  KtfToSgmlListener& operator=(const KtfToSgmlListener&) = default;
  virtual ~KtfToSgmlListener();

  // Receives the field's name and the text about to be formatted (never
  // null); returns the replacement text as a new[] string, which the converter
  // releases with delete[]. A null result is formatted as an empty text.
  virtual char* TransformValue(const char* fieldName, const char* value) = 0;
};
