#include "server/Markup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Markup, EscapesMarkupWritesUtf8AndDropsControlCharacters) {
  EXPECT_EQ(Markup::Escape("a<b>&\"c\"'"), "a&lt;b&gt;&amp;&quot;c&quot;'");
  EXPECT_EQ(Markup::Escape("caf\xe9 \xff"), "caf\xc3\xa9 \xc3\xbf");
  EXPECT_EQ(Markup::Escape(std::string("a\x01\x1f\tb\r\n\0c", 9)), "a\tb\r\nc");
}

}  // namespace
