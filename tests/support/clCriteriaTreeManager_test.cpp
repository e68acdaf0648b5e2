#include "support/clCriteriaTreeManager.h"

#include <gtest/gtest.h>

#include "tests/common/TempDir.h"

namespace {

TEST(CriteriaTree, LoadsFoldersUntilTheFirstMissingName) {
  TempDir dir;
  const std::string path = dir.File("tree.ini");
  WriteBytes(path,
             "[MY_TREE]\r\nDOSSIER1_NOM=Dates\r\nDOSSIER1_ICONE=3\r\nDOSSIER1_LEVEL=0\r\n"
             "DOSSIER1_CONTENT=PD,AD\r\nDOSSIER1_STATE=1\r\n"
             "DOSSIER2_NOM=Names\r\nDOSSIER2_LEVEL=1\r\n"
             "DOSSIER4_NOM=Unreached\r\n");
  clCriteriaTreeManager tree;
  tree.mLoadTreeArchitecture(path.c_str(), "MY_TREE");
  ASSERT_EQ(tree.mDossiers.size(), 2u);
  EXPECT_EQ(tree.mDossiers[0].name, "Dates");
  EXPECT_EQ(tree.mDossiers[0].content, "PD,AD");
  EXPECT_EQ(tree.mDossiers[0].icon, 3);
  EXPECT_EQ(tree.mDossiers[0].state, 1);
  // Missing numbers keep the previous folder's values.
  EXPECT_EQ(tree.mDossiers[1].icon, 3);
  EXPECT_EQ(tree.mDossiers[1].level, 1);

  // States go to CRITERIA_TREE, not to the section loaded.
  tree.mDossiers[1].state = 7;
  EXPECT_EQ(tree.mSaveArchitecture(), 1);
  const std::string saved = ReadBytes(path);
  EXPECT_NE(saved.find("[CRITERIA_TREE]\r\nDOSSIER1_STATE=1\r\nDOSSIER2_STATE=7\r\n"),
            std::string::npos);
  EXPECT_EQ(saved.find("DOSSIER2_STATE", saved.find("[MY_TREE]")), saved.rfind("DOSSIER2_STATE"));

  WriteBytes(path, "[MY_TREE]\r\nDOSSIER2_NOM=Only second\r\n");
  tree.mLoadTreeArchitecture(path.c_str(), "MY_TREE");
  EXPECT_TRUE(tree.mDossiers.empty());
}

TEST(CriteriaTree, ContentLinesSplitAtCommas) {
  struct Case {
    const char* line;                // content line given
    const char* normalised;          // the line afterwards
    std::vector<std::string> items;  // items appended
  };
  const Case cases[] = {
      {"a, b", "A, B,", {"A", " B"}},
      // Adjacent commas give an empty item; a trailing comma none.
      {"x,,y,", "X,,Y,", {"X", "", "Y"}},
      {"  \t", "", {}},
  };
  clCriteriaTreeManager tree;
  for (const Case& c : cases) {
    CString line = c.line;
    CStringArray items;
    tree.mDecomposeContentLine(line, items);
    EXPECT_EQ(line, c.normalised);
    std::vector<std::string> got;
    for (int i = 0; i < items.GetSize(); ++i) got.push_back(items[i].str());
    EXPECT_EQ(got, c.items) << c.line;
  }
}

}  // namespace
