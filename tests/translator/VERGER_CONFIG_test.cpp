#include "translator/VERGER_CONFIG.h"

#include <gtest/gtest.h>

#include <string>

namespace {

char* text(std::string& s) { return s.data(); }

TEST(VergerConfig, DefaultCriteriaKeepRegistrationOrderWithTrailingBlank) {
  VERGER_CONFIG config;
  std::string ti = "TI", ab = "AB";
  EXPECT_STREQ(config.list_default(), "");
  ASSERT_EQ(config.add_criter(text(ti), CRIT_DEFAULT), 1);
  ASSERT_EQ(config.add_criter(text(ab), CRIT_DEFAULT), 1);
  EXPECT_STREQ(config.list_default(), "TI AB");
  // The trailing blank is gone from the stored text, so the next name joins on.
  std::string pd = "PD";
  ASSERT_EQ(config.add_criter(text(pd), CRIT_DEFAULT), 1);
  EXPECT_STREQ(config.list_default(), "TI ABPD");
}

TEST(VergerConfig, LookupIsPerKindAndExact) {
  VERGER_CONFIG config;
  std::string empty, ti = "TI", ab = "AB", lower = "ti";
  EXPECT_EQ(config.isa_criter(text(empty), CRIT_KNOWN), 1);  // the list head's empty name
  EXPECT_EQ(config.isa_criter(text(ti), CRIT_KNOWN), 0);
  ASSERT_EQ(config.add_criter(text(ti), CRIT_KNOWN), 1);
  ASSERT_EQ(config.add_criter(text(ab), CRIT_DEFAULT), 1);
  EXPECT_EQ(config.isa_criter(text(ti), CRIT_KNOWN), 1);
  EXPECT_EQ(config.isa_criter(text(lower), CRIT_KNOWN), 0);
  EXPECT_EQ(config.isa_criter(text(ab), CRIT_KNOWN), 0);  // registered as default only
  EXPECT_EQ(config.isa_criter(text(ab), CRIT_DEFAULT), 1);
}

TEST(VergerConfig, DefaultCriteriaTextIsBoundedTo127Characters) {
  VERGER_CONFIG config;
  std::string fits(126, 'A');  // 126 + blank = 127
  std::string more = "B";
  ASSERT_EQ(config.add_criter(text(fits), CRIT_DEFAULT), 1);
  EXPECT_EQ(config.add_criter(text(more), CRIT_DEFAULT), 0);
  EXPECT_EQ(config.isa_criter(text(more), CRIT_DEFAULT), 0);
  EXPECT_EQ(std::string(config.list_default()), fits);

  std::string tooLong(128, 'C'), longest(127, 'D');
  config.change_default_criteria(text(tooLong));
  EXPECT_EQ(std::string(config.list_default()), fits);
  config.change_default_criteria(text(longest));
  EXPECT_EQ(std::string(config.list_default()), longest);
}

TEST(VergerConfig, CopiesOwnTheirLists) {
  std::string ti = "TI";
  VERGER_CONFIG copy;
  {
    VERGER_CONFIG original;
    ASSERT_EQ(original.add_criter(text(ti), CRIT_KNOWN), 1);
    ASSERT_EQ(original.add_criter(text(ti), CRIT_DEFAULT), 1);
    copy = original;
    VERGER_CONFIG constructed(original);
    EXPECT_EQ(constructed.isa_criter(text(ti), CRIT_DEFAULT), 1);
  }
  EXPECT_EQ(copy.isa_criter(text(ti), CRIT_KNOWN), 1);
  EXPECT_STREQ(copy.list_default(), "TI");
}

}  // namespace
