#include "imaging/FacsimilePage.h"

#include <gtest/gtest.h>

#include <string>

#include "image/CroftHeader.h"
#include "image/clTiffTools.h"
#include "imaging/PagePreview.h"
#include "imaging/PngFile.h"
#include "imaging/TiffMessages.h"
#include "tests/common/TempDir.h"

namespace {

// A frame, a diagonal, a filled block and an irregular pattern, on a width
// that is not a multiple of eight: Group 4's vertical and horizontal modes.
BilevelPage TestPage() {
  BilevelPage page{203, 61, {}};
  for (uint32_t y = 0; y < page.length; ++y) {
    for (uint32_t x = 0; x < page.width; ++x) {
      const bool frame = x == 0 || y == 0 || x == page.width - 1 || y == page.length - 1;
      const bool block = x > 120 && x < 170 && y > 10 && y < 30;
      page.pixels.push_back(frame || x == y * 3 || block || (y > 35 && (x * x + y * 7) % 11 < 3));
    }
  }
  return page;
}

TEST(FacsimilePage, ARecordMadeFromAPageConvertsAndDecodesToThatPage) {
  const BilevelPage page = TestPage();
  std::string record, error;
  ASSERT_TRUE(MakeCroftRecord(page, CroftFields{297, 210, "TEST PAGE"}, &record, &error)) << error;
  const CroftHeader header(record.data());
  EXPECT_EQ(std::string(header.Bytes(), 9), "TEST PAGE");
  EXPECT_EQ(header.HeightMm(), 297);
  EXPECT_EQ(header.WidthMm(), 210);
  EXPECT_EQ(header.LengthPx(), 61);
  EXPECT_EQ(header.WidthPx(), 203);
  EXPECT_EQ(header.RecordSize(), record.size());

  TempDir dir;
  const std::string tiff = dir.File("page.tif");
  ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(record.data(), record.size(), tiff.c_str()));
  BilevelPage decoded;
  {
    TiffMessages messages;
    ASSERT_TRUE(ReadTiffPage(tiff, &decoded, &error)) << error;
    // The binary CROFT header in the Artist entry is all libtiff remarks on.
    ASSERT_EQ(messages.warnings().size(), 1u);
    EXPECT_NE(messages.warnings()[0].find("Artist"), std::string::npos);
    EXPECT_TRUE(messages.errors().empty());
  }
  EXPECT_TRUE(decoded == page);

  // The preview shows the page: black pixels dark, the others white.
  std::vector<std::string> notes;
  ASSERT_TRUE(WritePagePreview(tiff, dir.File("page.png"), &notes, &error)) << error;
  EXPECT_TRUE(notes.empty());
  RgbImage preview;
  ASSERT_TRUE(ReadPng(dir.File("page.png"), &preview, &error)) << error;
  ASSERT_EQ(preview.rgb.size(), page.pixels.size() * 3);
  for (size_t i = 0; i < page.pixels.size(); ++i) {
    ASSERT_EQ(preview.rgb[i * 3], page.pixels[i] ? 0 : 255) << i;
  }
}

TEST(FacsimilePage, RefusesPagesAndFieldsThatDoNotFitTheHeader) {
  const BilevelPage small{2, 1, {1, 0}};
  const struct {
    BilevelPage page;
    CroftFields fields;
    const char* error;
  } cases[] = {
      {BilevelPage{10000, 1, std::vector<uint8_t>(10000)}, {}, "at most 9999 pixels"},
      {small, {1000, 210, ""}, "between 0 and 999"},
      {small, {297, -1, ""}, "between 0 and 999"},
      {small, {297, 210, std::string(192, 'x')}, "at most 191 bytes"},
      {BilevelPage{2, 2, {1, 0}}, {}, "do not match its size"},
      {BilevelPage{}, {}, "the page is empty"},
  };
  for (const auto& c : cases) {
    std::string record = "untouched", error;
    EXPECT_FALSE(MakeCroftRecord(c.page, c.fields, &record, &error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(record, "untouched");
  }
  std::string record, error;
  ASSERT_TRUE(MakeCroftRecord(small, {0, 999, std::string(191, 'x')}, &record, &error)) << error;
  EXPECT_EQ(CroftHeader(record.data()).WidthMm(), 999);
}

}  // namespace
