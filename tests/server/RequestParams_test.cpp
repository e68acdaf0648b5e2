#include "server/RequestParams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RequestParams, DecodesFormBodiesAndKeepsTheLastValue) {
  struct Case {
    const char* body;
    const char* name;
    const char* value;  // null: absent
  } cases[] = {
      {"question=TI%3Dsolar+AND+cell", "question", "TI=solar AND cell"},
      {"a=%e9t%C3%A9", "a", "\xe9t\xc3\xa9"},  // bytes as sent, no charset applied
      {"a=100%", "a", "100%"},                 // "%" without two hex digits stays
      {"a=%4", "a", "%4"},
      {"a=%zz1", "a", "%zz1"},
      {"flag&b=2", "flag", ""},  // a pair without "=" has an empty value
      {"a=1&&a=2&", "a", "2"},   // empty pairs skipped, the last value wins
      {"a=x=y", "a", "x=y"},
      {"%61=1", "a", "1"},  // names are decoded too
      {"", "a", nullptr},
      {"=1", "", "1"},
  };
  for (const Case& c : cases) {
    RequestParams params;
    params.AddForm(c.body);
    EXPECT_EQ(params.Has(c.name), c.value != nullptr) << c.body;
    EXPECT_EQ(params.Get(c.name, "(none)"), c.value ? c.value : "(none)") << c.body;
  }
  // The body's values come after the query string's and win over them.
  RequestParams both(RequestParams::Map{{"iac_op", "1"}});
  both.AddForm("iac_op=2");
  EXPECT_EQ(both.Get("iac_op"), "2");
}

TEST(RequestParams, RefusesMoreParametersThanTheCapWholly) {
  auto pairs = [](size_t count, const char* separator) {
    std::string form = "a=1";
    for (size_t i = 1; i < count; ++i) form += separator + std::string("b=") + std::to_string(i);
    return form;
  };
  const size_t cap = RequestParams::kMaxParams;
  RequestParams full;
  EXPECT_TRUE(full.AddForm(pairs(cap, "&&")));  // empty pairs do not count
  EXPECT_EQ(full.Get("b"), std::to_string(cap - 1));
  EXPECT_FALSE(full.AddForm("c=1"));  // the cap holds across query string and body
  EXPECT_FALSE(full.Has("c"));
  RequestParams over;
  EXPECT_FALSE(over.AddForm(pairs(cap + 1, "&")));
  EXPECT_FALSE(over.Has("a"));
  std::string flood;
  while (flood.size() < (4u << 20)) flood += "a&";
  EXPECT_FALSE(over.AddForm(flood));
  EXPECT_TRUE(over.AddForm(std::string(4 << 20, '&') + "a=2"));
  EXPECT_EQ(over.Get("a"), "2");
}

TEST(RequestParams, ReadsCountsOfAtMostNineDigits) {
  struct Case {
    const char* body;
    bool ok;
    size_t value;  // 7 when left untouched
  } cases[] = {
      {"", true, 7},
      {"n=0", true, 0},
      {"n=999999999", true, 999999999},
      {"n=1000000000", false, 7},
      {"n=", false, 7},
      {"n=-1", false, 7},
      {"n=1e3", false, 7},
      {"n=+5", false, 7},
      {"n=5&n=x", false, 7},
  };
  for (const Case& c : cases) {
    RequestParams params;
    params.AddForm(c.body);
    size_t value = 7;
    EXPECT_EQ(params.ReadCount("n", value), c.ok) << c.body;
    EXPECT_EQ(value, c.value) << c.body;
  }
}

}  // namespace
