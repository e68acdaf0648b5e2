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

TEST(ClTable, GrowsAndShrinksBySixteenSlots) {
  cl_Table<tKtfField> table;
  EXPECT_EQ(table.GetCapacity(), 0u);
  table.Add(tKtfField("A", "1"));
  EXPECT_EQ(table.GetCapacity(), 16u);
  for (int i = 1; i < 16; ++i) table.Add(tKtfField("B", "2"));
  EXPECT_EQ(table.GetCapacity(), 16u);
  table.Add(tKtfField("C", "3"));  // the 17th
  EXPECT_EQ(table.GetCount(), 17u);
  EXPECT_EQ(table.GetCapacity(), 32u);
  table.RemoveAt(16);
  EXPECT_EQ(table.GetCapacity(), 16u);
  EXPECT_STREQ(table.GetAt(0)->name, "A");
  for (int i = 0; i < 15; ++i) table.RemoveAt(1);
  EXPECT_EQ(table.GetCapacity(), 16u);
  table.RemoveAt(0);  // the only element: the array goes
  EXPECT_EQ(table.GetCount(), 0u);
  EXPECT_EQ(table.GetCapacity(), 0u);
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

TEST(ClTable, CopiesDuplicateElementsAndSelfAssignmentKeepsThem) {
  cl_Table<tReplaceText> rules;
  tReplaceText rule;
  rule.searchText = new char[2]{'&', '\0'};
  rules.Add(rule);
  cl_Table<tReplaceText> copy;
  copy = rules;
  ASSERT_EQ(copy.GetCount(), 1u);
  EXPECT_NE(copy.GetAt(0), rules.GetAt(0));
  EXPECT_NE(copy.GetAt(0)->searchText, rules.GetAt(0)->searchText);
  EXPECT_STREQ(copy.GetAt(0)->searchText, "&");
  cl_Table<tReplaceText>& self = copy;
  copy = self;
  ASSERT_EQ(copy.GetCount(), 1u);
  EXPECT_STREQ(copy.GetAt(0)->searchText, "&");
  copy.Append(rules);
  EXPECT_EQ(copy.GetCount(), 2u);
}

TEST(Records, SelfAssignmentChangesNothingAndCopiesAreDeep) {
  tBlock block;
  block.fieldName = new char[3]{'T', 'I', '\0'};
  block.level = 2;
  block.length = 7;
  tBlock& same = block;
  block = same;
  EXPECT_STREQ(block.fieldName, "TI");
  tBlock copy;
  copy = block;
  EXPECT_NE(copy.fieldName, block.fieldName);
  EXPECT_STREQ(copy.fieldName, "TI");
  EXPECT_EQ(copy.level, 2);
  EXPECT_EQ(copy.length, 7);
  EXPECT_EQ(copy.format, nullptr);

  tKtfField field("PN", "EP 1");
  tKtfField& sameField = field;
  field = sameField;
  EXPECT_STREQ(field.value, "EP 1");
}

}  // namespace
