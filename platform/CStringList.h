#pragma once

#include "platform/Export.h"
#include "platform/CString.h"
#include "platform/CTypedList.h"

// MFC's list of strings; see CTypedList for the operations and their rules.
class SORREL_EXPORT CStringList : public CTypedList<CString> {
 public:
  CStringList();
  ~CStringList();
  CStringList(const CStringList& other);
  CStringList& operator=(const CStringList& other);
};
