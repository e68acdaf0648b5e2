#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// Chooses a style sheet for a document from a super style sheet: a profile
// file whose section "STYLE_SHEET" says where to look in the document data
// ("CONDITION", "TAG_BEGIN", "TAG_END", "POSITION_INFO") and lists candidates
// "STYLE_SHEET<n>" with the text "CONDITION<n>" that selects them. The file is
// read anew on every call.
class SORREL_EXPORT clSuperStyleSheetManager {
 public:
  explicit clSuperStyleSheetManager(CString path);
  virtual ~clSuperStyleSheetManager();

  // 1 and `result` set to the first candidate whose condition occurs in the
  // information taken from `data`; otherwise a message box and 0, with
  // `result` untouched.
  int mGetBINStyleSheetToUse(CString data, CString& result);
  // Reads "CONDITION" and "POSITION_INFO"; 1 when both are present and not
  // empty, otherwise a message box and 0.
  int mGetCondition(CString& condition, CString& positionInfo);

 private:
  CString path_;  // the super style sheet file
};
