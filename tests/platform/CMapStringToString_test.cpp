#include "platform/CMapStringToString.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/CMapStringToPtr.h"

namespace {

std::vector<CString> KeysInIterationOrder(const CMapStringToString& map) {
  std::vector<CString> keys;
  CString key;
  CString value;
  for (POSITION pos = map.GetStartPosition(); pos;) {
    map.GetNextAssoc(pos, key, value);
    keys.push_back(key);
  }
  return keys;
}

TEST(CMapStringToString, IteratesInMfcBucketOrder) {
  // The order of the login form's parameters on the wire. "iac_base" and
  // "action" share bucket 7, so the later one comes first.
  CMapStringToString map;
  map.SetAt("iac_op", "login");
  map.SetAt("iac_base", "EP");
  map.SetAt("action", "go");
  map.SetAt("version", "1");
  EXPECT_EQ(KeysInIterationOrder(map),
            (std::vector<CString>{"iac_op", "action", "iac_base", "version"}));
}

TEST(CMapStringToString, BucketOrderBeatsInsertionOrder) {
  // "iac_user" hashes to bucket 16, "iac_pwd" to bucket 5.
  CMapStringToString map;
  map.SetAt("iac_user", "u");
  map.SetAt("iac_pwd", "p");
  EXPECT_EQ(KeysInIterationOrder(map), (std::vector<CString>{"iac_pwd", "iac_user"}));
}

TEST(CMapStringToString, HashReadsBytesAsSignedChars) {
  // 0xE9 counts as -23: 0 * 33 + (2^32 - 23).
  EXPECT_EQ(CMapStringToString::HashKey("\xE9"), 4294967273u);
  EXPECT_EQ(CMapStringToString::HashKey("ab"), 97u * 33u + 98u);
}

TEST(CMapStringToString, ReplacingAndRemovingKeepOrder) {
  CMapStringToString map;
  for (const char* key : {"iac_op", "iac_base", "action", "version"}) map.SetAt(key, "x");
  map.SetAt("iac_op", "changed");  // keeps its place
  EXPECT_TRUE(map.RemoveKey("action"));
  EXPECT_FALSE(map.RemoveKey("action"));
  EXPECT_EQ(KeysInIterationOrder(map), (std::vector<CString>{"iac_op", "iac_base", "version"}));
  CString value;
  ASSERT_TRUE(map.Lookup("iac_op", value));
  EXPECT_EQ(value, "changed");
  CString untouched = "keep";
  EXPECT_FALSE(map.Lookup("absent", untouched));
  EXPECT_EQ(untouched, "keep");
  EXPECT_EQ(map.GetCount(), 3);
  map.RemoveAll();
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(CMapStringToPtr, HoldsPointersWithoutOwningThem) {
  int target = 7;
  CMapStringToPtr map;
  map["kernel"] = &target;
  void* found = nullptr;
  ASSERT_TRUE(map.Lookup("kernel", found));
  EXPECT_EQ(found, &target);
  map.RemoveAll();
  EXPECT_EQ(target, 7);
}

}  // namespace
