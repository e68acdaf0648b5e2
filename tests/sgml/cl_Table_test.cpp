#include "sgml/cl_Table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sgml/tBlock.h"
#include "sgml/tKtfField.h"
#include "sgml/tReplaceText.h"

namespace {

int CompareNames(const void* a, const void* b) {
  return std::strcmp((*static_cast<tKtfField* const*>(a))->name,
                     (*static_cast<tKtfField* const*>(b))->name);
}

std::string Names(const cl_Table<tKtfField>& table) {
  std::string names;
  for (uint32_t i = 0; i < table.GetCount(); ++i) names += table.GetAt(i)->name;
  return names;
}

// Assigns through a second name, which compilers accept without a warning.
template <class T>
void AssignToItself(T& value) {
  T& same = value;
  value = same;
}

TEST(ClTable, GrowsAndShrinksBySixteenSlots) {
  cl_Table<tKtfField> table;
  EXPECT_EQ(table.GetCapacity(), 0u);
  for (uint32_t count = 1; count <= 17; ++count) {
    table.Add(tKtfField(count == 1 ? "A" : "B", ""));
    EXPECT_EQ(table.GetCapacity(), count <= 16 ? 16u : 32u) << count;
  }
  // Removes the B's one by one, then the A: `left` elements remain after each.
  for (int left = 16; left >= 0; --left) {
    table.RemoveAt(left > 0 ? 1 : 0);
    EXPECT_EQ(table.GetCapacity(), left > 0 ? 16u : 0u) << left;  // no array once empty
    EXPECT_EQ(Names(table), left > 0 ? "A" + std::string(left - 1, 'B') : "") << left;
  }
}

TEST(ClTable, InsertsRemovesSortsAndFindsInPlace) {
  cl_Table<tKtfField> table;
  const tKtfField key("N", "");
  table.Sort(CompareNames);  // empty tables are ignored
  EXPECT_EQ(table.Find(&key, CompareNames), nullptr);
  table.Add(tKtfField("Q", "")).Add(tKtfField("Z", ""));
  table.InsertAt(1);
  table.GetAt(1)->name = new char[2]{'N', '\0'};
  table.InsertAt(3);
  table.GetAt(3)->name = new char[2]{'A', '\0'};
  table.Add(tKtfField("X", ""));
  EXPECT_EQ(Names(table), "QNZAX");
  table.RemoveAt(4).RemoveAt(2);
  table.Sort(CompareNames);
  EXPECT_EQ(Names(table), "ANQ");
  EXPECT_EQ(table.Find(&key, CompareNames), table.GetAt(1));
  const tKtfField missing("B", "");
  EXPECT_EQ(table.Find(&missing, CompareNames), nullptr);
}

TEST(ClTable, CopiesOfTablesAndRecordsAreDeepAndSelfAssignmentKeepsThem) {
  cl_Table<tReplaceText> rules;
  tReplaceText rule;
  rule.searchText = new char[2]{'&', '\0'};
  rules.Add(rule);
  cl_Table<tReplaceText> copy;
  copy = rules;
  AssignToItself(copy);
  ASSERT_EQ(copy.GetCount(), 1u);
  EXPECT_NE(copy.GetAt(0)->searchText, rules.GetAt(0)->searchText);
  EXPECT_STREQ(copy.GetAt(0)->searchText, "&");
  EXPECT_EQ(copy.Append(rules).GetCount(), 2u);

  tBlock block;
  block.fieldName = new char[3]{'T', 'I', '\0'};
  block.level = 2;
  block.length = 7;
  AssignToItself(block);
  tBlock blockCopy;
  blockCopy = block;
  EXPECT_NE(blockCopy.fieldName, block.fieldName);
  for (const tBlock* b : {&block, &blockCopy}) {
    EXPECT_STREQ(b->fieldName, "TI");
    EXPECT_EQ(b->level, 2);
    EXPECT_EQ(b->length, 7);
    EXPECT_EQ(b->format, nullptr);
  }
  tKtfField field("PN", "EP 1");
  AssignToItself(field);
  EXPECT_STREQ(field.value, "EP 1");
}

}  // namespace
