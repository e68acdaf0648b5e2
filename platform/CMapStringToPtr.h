#pragma once

#include "platform/Export.h"
#include "platform/CStringKeyedMap.h"

// MFC's map from string to untyped pointer, iterating in MFC's order (see
// CStringKeyedMap). The map never owns what the pointers point to.
class SORREL_EXPORT CMapStringToPtr : public CStringKeyedMap<void*> {
 public:
  CMapStringToPtr();
  ~CMapStringToPtr();
};
