#include "support/clSuperStyleSheetManager.h"

#include "platform/MessageBox.h"
#include "support/clAccessConfigFile.h"

namespace {

const char kSection[] = "STYLE_SHEET";

// The part of `data` that the conditions are looked for in.
CString ExtractInformation(const CString& data, const CString& condition, const CString& tagBegin,
                           const CString& tagEnd, const CString& positionInfo) {
  if (condition == "NOTICE") return data;
  const int begin = data.Find(tagBegin);
  const int close = data.Find('>', begin + 1);
  if (positionInfo == "PARAMETER") return data.Mid(begin, close - begin + 1);
  const int end = data.Find(tagEnd, begin + 1);
  return data.Mid(close + 1, end - close - 1);
}

CString KeyOf(const char* format, int n) {
  CString key;
  key.Format(format, n);
  return key;
}

}  // namespace

clSuperStyleSheetManager::clSuperStyleSheetManager(CString path) : path_(path) {}

clSuperStyleSheetManager::~clSuperStyleSheetManager() = default;

int clSuperStyleSheetManager::mGetBINStyleSheetToUse(CString data, CString& result) {
  clAccessConfigFile file(path_);
  CString condition, tagBegin, tagEnd, positionInfo;
  file.mRead(kSection, "CONDITION", condition);
  file.mRead(kSection, "TAG_BEGIN", tagBegin);
  file.mRead(kSection, "TAG_END", tagEnd);
  file.mRead(kSection, "POSITION_INFO", positionInfo);
  const CString information = ExtractInformation(data, condition, tagBegin, tagEnd, positionInfo);
  for (int n = 1;; ++n) {
    CString styleSheet;
    if (!file.mRead(kSection, KeyOf("STYLE_SHEET%d", n), styleSheet)) break;
    CString wanted;
    file.mRead(kSection, KeyOf("CONDITION%d", n), wanted);
    if (information.Find(wanted) >= 0) {
      result = styleSheet;
      return 1;
    }
  }
  CString message;
  message.Format("Impossible to find the information in data : %s", data.c_str());
  AfxMessageBox(message, MB_OK);
  return 0;
}

int clSuperStyleSheetManager::mGetCondition(CString& condition, CString& positionInfo) {
  clAccessConfigFile file(path_);
  const int hasCondition = file.mRead(kSection, "CONDITION", condition);
  const int hasPosition = file.mRead(kSection, "POSITION_INFO", positionInfo);
  if (hasCondition && hasPosition) return 1;
  CString message;
  message.Format("Format Error in Super style sheet: %s", path_.c_str());
  AfxMessageBox(message, MB_OK);
  return 0;
}
