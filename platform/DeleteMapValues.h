#pragma once

#include "platform/CMapStringToPtr.h"
#include "platform/CString.h"
#include "platform/Position.h"

// Empties `map`, whose values are `Value` objects made with new and owned by
// the map's holder. One association at a time, in the map's iteration order,
// the key is removed before its value is deleted, so that a destructor which
// looks at the map no longer finds its own entry. Throws only what a
// destructor throws.
template <typename Value>
void DeleteMapValues(CMapStringToPtr& map) {
  while (!map.IsEmpty()) {
    POSITION position = map.GetStartPosition();
    CString key;
    void* value = nullptr;
    map.GetNextAssoc(position, key, value);
    map.RemoveKey(key);
    delete static_cast<Value*>(value);
  }
}
