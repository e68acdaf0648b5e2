#pragma once

#include "platform/Export.h"
#include "platform/CStringKeyedMap.h"

// MFC's map from string to string, iterating in MFC's order (see CStringKeyedMap).
class SORREL_EXPORT CMapStringToString : public CStringKeyedMap<CString> {
 public:
  CMapStringToString();
  ~CMapStringToString();
};
