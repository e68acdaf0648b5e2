#include "image/CroftHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Bytes(const CroftHeader& header) {
  return std::string(header.Bytes(), CroftHeader::kSize);
}

TEST(CroftHeader, ReadsEachDigitFieldOnItsOwnAndTheCountLittleEndian) {
  const struct {
    const char* digits;  // bytes 191 to 204: height, width mm; length, width px
    long heightMm, widthMm, lengthPx, widthPx;
  } cases[] = {
      {"29721023391728", 297, 210, 2339, 1728},
      {"  3 5  012 0x1", 3, 5, 12, 0},     // leading blanks and zeros; a non-digit ends it
      {"-12abc99999999", -12, 0, 9999, 9999},
  };
  for (const auto& c : cases) {
    std::string record(300, '7');
    std::memcpy(record.data() + 191, c.digits, 14);
    const unsigned char count[4] = {0x44, 0x33, 0x22, 0x81};
    std::memcpy(record.data() + 248, count, 4);
    const CroftHeader header(record.data());
    EXPECT_EQ(header.HeightMm(), c.heightMm) << c.digits;
    EXPECT_EQ(header.WidthMm(), c.widthMm) << c.digits;
    EXPECT_EQ(header.LengthPx(), c.lengthPx) << c.digits;
    EXPECT_EQ(header.WidthPx(), c.widthPx) << c.digits;
    EXPECT_EQ(header.DataCount(), 0x81223344u);
    EXPECT_EQ(header.RecordSize(), 256u + 0x81223344u);
    EXPECT_EQ(Bytes(CroftHeader(header.Layout())), record.substr(0, 256));
  }
}

TEST(CroftHeader, WritesFieldsThatFitAndRefusesThoseThatDoNot) {
  CroftHeader header;
  std::string expected(248, ' ');
  expected.replace(191, 14, "00000000000000");
  EXPECT_EQ(Bytes(header), expected + std::string(8, '\0'));

  ASSERT_TRUE(header.SetLabel("PAGE 1"));
  ASSERT_TRUE(header.SetPageSize(297, 21));
  ASSERT_TRUE(header.SetImageSize(9999, 7));
  header.SetDataCount(0x01020304);
  expected.replace(0, 6, "PAGE 1");
  expected.replace(191, 14, "29702199990007");
  EXPECT_EQ(Bytes(header), expected + "\x04\x03\x02\x01" + std::string(4, '\0'));
  EXPECT_EQ(header.HeightMm(), 297);
  EXPECT_EQ(header.WidthPx(), 7);

  // Refused values change nothing.
  EXPECT_FALSE(header.SetLabel(std::string(CroftHeader::kLabelSize + 1, 'x')));
  EXPECT_FALSE(header.SetPageSize(1000, 1));
  EXPECT_FALSE(header.SetPageSize(1, -1));
  EXPECT_FALSE(header.SetImageSize(10000, 1));
  EXPECT_FALSE(header.SetImageSize(1, -1));
  EXPECT_EQ(Bytes(header), expected + "\x04\x03\x02\x01" + std::string(4, '\0'));
  EXPECT_TRUE(header.SetLabel(std::string(CroftHeader::kLabelSize, 'x')));
  EXPECT_EQ(Bytes(header).substr(0, 192), std::string(191, 'x') + "2");
}

}  // namespace
