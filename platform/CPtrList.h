#pragma once

#include "platform/Export.h"
#include "platform/CTypedList.h"

// MFC's list of untyped pointers. The list never owns what the pointers point to.
class SORREL_EXPORT CPtrList : public CTypedList<void*> {
 public:
  CPtrList();
  ~CPtrList();
  CPtrList(const CPtrList& other);
  CPtrList& operator=(const CPtrList& other);
};
