#include "support/clCriteriaTreeManager.h"

#include "support/clAccessConfigFile.h"

namespace {

CString KeyOf(const char* format, int n) {
  CString key;
  key.Format(format, n);
  return key;
}

}  // namespace

clCriteriaTreeManager::clCriteriaTreeManager() = default;

clCriteriaTreeManager::~clCriteriaTreeManager() = default;

void clCriteriaTreeManager::mLoadTreeArchitecture(CString filePath, CString section) {
  filePath_ = filePath;
  mDossiers.clear();
  clAccessConfigFile file(filePath);
  stDossier folder{"", 0, "", 0, 0};
  for (int n = 1;; ++n) {
    if (!file.mRead(section, KeyOf("DOSSIER%d_NOM", n), folder.name)) return;
    file.mRead(section, KeyOf("DOSSIER%d_ICONE", n), folder.icon);
    file.mRead(section, KeyOf("DOSSIER%d_LEVEL", n), folder.level);
    file.mRead(section, KeyOf("DOSSIER%d_CONTENT", n), folder.content);
    file.mRead(section, KeyOf("DOSSIER%d_STATE", n), folder.state);
    mDossiers.push_back(folder);
  }
}

int clCriteriaTreeManager::mSaveArchitecture() {
  clAccessConfigFile file(filePath_);
  int result = 1;
  for (size_t i = 0; i < mDossiers.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    if (!file.mWrite("CRITERIA_TREE", KeyOf("DOSSIER%d_STATE", n), mDossiers[i].state)) result = 0;
  }
  return result;
}

void clCriteriaTreeManager::mDecomposeContentLine(CString& line, CStringArray& items) {
  line.TrimRight();
  line.MakeUpper();
  if (!line.IsEmpty() && line[line.GetLength() - 1] != ',') line += ',';
  int start = 0;
  for (int comma = line.Find(','); comma >= 0; comma = line.Find(',', start)) {
    items.Add(line.Mid(start, comma - start));
    start = comma + 1;
  }
}
