#pragma once

#include <vector>

#include "platform/Export.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"

// One folder of the criteria tree.
struct SORREL_EXPORT stDossier {
  CString name;     // shown in the tree
  int icon;         // icon number
  CString content;  // comma-separated criteria
  int level;        // depth in the tree
  int state;        // e.g. expanded or collapsed, as the client codes it
};

// The criteria tree stored in a profile file: for n = 1, 2, ... without gaps,
// the keys "DOSSIER<n>_NOM", "_ICONE", "_LEVEL", "_CONTENT" and "_STATE".
class SORREL_EXPORT clCriteriaTreeManager {
 public:
  clCriteriaTreeManager();
  virtual ~clCriteriaTreeManager();

  // Replaces mDossiers by the folders of `section`, up to the first missing or
  // empty name. A missing number keeps the previous folder's value (0 for the
  // first folder).
  void mLoadTreeArchitecture(CString filePath, CString section);
  // Writes each folder's state to section "CRITERIA_TREE" of the file last
  // loaded. 1 when every write succeeded, else 0 (the file keeps the states
  // written before the failure).
  int mSaveArchitecture();
  // Trims trailing white space from `line`, upper-cases it and ends it with
  // ","; appends each comma-terminated piece (untrimmed, possibly empty) to
  // `items`.
  void mDecomposeContentLine(CString& line, CStringArray& items);

  std::vector<stDossier> mDossiers;  // the folders in file order; the client may change them

 private:
  CString filePath_;  // the file last loaded
};
