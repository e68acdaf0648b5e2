#include "image/CroftHeader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reading is tested through the converter's resolutions (clTiffTools_test).
TEST(CroftHeader, WritesFieldsThatFitAndRefusesThoseThatDoNot) {
  CroftHeader header;
  std::string expected(248, ' ');
  expected.replace(191, 14, "00000000000000");
  EXPECT_EQ(std::string(header.Bytes(), 256), expected + std::string(8, '\0'));

  ASSERT_TRUE(header.SetLabel("PAGE 1"));
  ASSERT_TRUE(header.SetPageSize(297, 21));
  ASSERT_TRUE(header.SetImageSize(9999, 7));
  header.SetDataCount(0x81020304);
  // Refused values change nothing.
  EXPECT_FALSE(header.SetLabel(std::string(CroftHeader::kLabelSize + 1, 'x')));
  EXPECT_FALSE(header.SetPageSize(1000, 1) || header.SetPageSize(1, -1));
  EXPECT_FALSE(header.SetImageSize(10000, 1) || header.SetImageSize(1, -1));
  expected.replace(0, 6, "PAGE 1");
  expected.replace(191, 14, "29702199990007");
  const std::string bytes = expected + "\x04\x03\x02\x81" + std::string(4, '\0');
  EXPECT_EQ(std::string(header.Bytes(), 256), bytes);
  const CroftHeader read(bytes.data());
  EXPECT_EQ(read.HeightMm() * 1000 + read.WidthMm(), 297021);
  EXPECT_EQ(read.LengthPx() * 10000 + read.WidthPx(), 99990007);
  EXPECT_EQ(read.RecordSize(), 256u + 0x81020304u);
}

}  // namespace
