#include "image/clTiffTools.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/common/TempDir.h"
#include "tests/image/LibtiffPage.h"

namespace {

// A CROFT header with the two millimetre fields as given (3 characters each),
// the pixel fields (length then width, 4 characters each; a 1728 x 2339 page
// unless given), a data count, and recognisable bytes everywhere else.
std::string Header(const std::string& heightMm, const std::string& widthMm, uint32_t count,
                   const std::string& pixels = "23391728") {
  std::string header(256, '\0');
  for (size_t i = 0; i < header.size(); ++i) header[i] = static_cast<char>(i * 7 + 3);
  header.replace(191, 14, heightMm + widthMm + pixels);
  for (int i = 0; i < 4; ++i) header[248 + i] = static_cast<char>(count >> (8 * i));
  return header;
}

std::string Data(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 31 + i / 256);
  return data;
}

std::string Be16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string Be32(uint32_t v) { return Be16(static_cast<uint16_t>(v >> 16)) + Be16(v & 0xFFFF); }
std::string Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  return Be16(tag) + Be16(type) + Be32(count) + (type == 3 ? Be16(value) + Be16(0) : Be32(value));
}

std::string Contents(CMemFile& file) {
  return std::string(reinterpret_cast<const char*>(file.GetData()), file.GetLength());
}

std::string ConvertInMemory(const std::string& record) {
  CMemFile tiff;
  std::string copy = record;
  return clTiffTools().mConvertCroftToTiff(copy.data(), tiff) ? Contents(tiff) : "refused";
}

TEST(clTiffTools, WritesTheSameBytesInEveryFormWithResolutionsFromTheDigitFields) {
  struct Case {
    const char* heightMm;
    const char* widthMm;
    uint32_t xResolution, yResolution;
  } cases[] = {
      {"297", "210", 209, 200},     // trunc(1728 x 25.4 / 210), trunc(2339 x 25.4 / 297)
      {"  3", "05 ", 8778, 19803},  // leading blanks; a non-digit ends the number
      {"000", "210", 209, 209},     // no height: square pixels from the width
      {"300", "abc", 198, 198},     // width not numeric: square pixels from the height
      {"-12", "210", 209, 209},     // a negative size counts as none
      {"xyz", "000", 200, 200},     // neither: the facsimile default
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.heightMm << "/" << c.widthMm);
    const std::string header = Header(c.heightMm, c.widthMm, 5000);
    const std::string record = header + Data(5000);
    const std::string expected =
        std::string("MM") + Be16(42) + Be32(8) + Be16(11) + Entry(256, 3, 1, 1728) +
        Entry(257, 3, 1, 2339) + Entry(259, 3, 1, 4) + Entry(262, 3, 1, 0) + Entry(273, 4, 1, 418) +
        Entry(278, 4, 1, 2339) + Entry(279, 4, 1, 5000) + Entry(282, 5, 1, 146) +
        Entry(283, 5, 1, 154) + Entry(296, 3, 1, 2) + Entry(315, 1, 256, 162) + Be32(0) +
        Be32(c.xResolution) + Be32(1) + Be32(c.yResolution) + Be32(1) + header + Data(5000);
    EXPECT_EQ(ConvertInMemory(record), expected);

    std::string copy = record, path = dir.File("page.tif");
    ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(copy.data(), path.data()));
    EXPECT_EQ(ReadBytes(path), expected);
    // The memory form writes at the file's position.
    CMemFile tiff;
    tiff.Write("prefix", 6);
    ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(record.data(), record.size(), tiff));
    EXPECT_EQ(Contents(tiff), "prefix" + expected);
  }
}

TEST(clTiffTools, LibtiffDecodesARealGroup4PageToTheSourceBitmap) {
  // A frame, a diagonal, a filled block and an irregular pattern, on a width
  // that is not a multiple of eight: Group 4's vertical and horizontal modes.
  LibtiffPage page;
  page.width = 203;
  page.length = 61;
  const uint32_t rowBytes = (page.width + 7) / 8;
  page.rows.assign(size_t{rowBytes} * page.length, 0);
  for (uint32_t y = 0; y < page.length; ++y) {
    for (uint32_t x = 0; x < page.width; ++x) {
      const bool frame = x == 0 || y == 0 || x == page.width - 1 || y == page.length - 1;
      const bool block = x > 120 && x < 170 && y > 10 && y < 30;
      if (frame || x == y * 3 || block || (y > 35 && (x * x + y * 7) % 11 < 3)) {
        page.rows[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  TempDir dir;
  const std::string g4 = page.EncodeG4(dir.File("source.tif"));
  ASSERT_FALSE(g4.empty());
  const std::string record =
      Header("297", "210", static_cast<uint32_t>(g4.size()), "00610203") + g4;
  const std::string path = dir.File("page.tif");
  ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(record.data(), record.size(), path.c_str()));
  EXPECT_EQ(ReadBytes(path), ConvertInMemory(record));

  LibtiffPage decoded;
  ASSERT_TRUE(decoded.Read(path));
  EXPECT_EQ(decoded.width, page.width);
  EXPECT_EQ(decoded.length, page.length);
  EXPECT_TRUE(decoded.rows == page.rows);
  EXPECT_EQ(decoded.xResolution, 24.0f);  // trunc(203 x 25.4 / 210)
  EXPECT_EQ(decoded.yResolution, 5.0f);   // trunc(61 x 25.4 / 297)
  // The binary CROFT header in the Artist entry is the one thing libtiff
  // remarks on.
  ASSERT_EQ(decoded.said.size(), 1u);
  EXPECT_NE(decoded.said[0].find("Artist"), std::string::npos) << decoded.said[0];
}

// Every refusal says why and writes nothing, in memory or on disk. The memory forms see the same
// record with no path to fail on; the design's forms, which trust the count, get only the null
// arguments and the unwritable path.
TEST(clTiffTools, RefusesBadRecordsNullArgumentsAndUnwritableFilesSayingWhyAndWritingNothing) {
  using Refusal = clTiffTools::Refusal;
  TempDir dir;
  const std::string out = dir.File("out.tif"), unreachable = dir.File("missing/out.tif"),
                    headerOnly = Header("297", "210", 0);
  const struct {
    const char* what;
    std::string record;
    bool null;  // the record pointer is null
    const char* path;
    Refusal why, inMemory;
  } cases[] = {
      {"count equal to the data", Header("297", "210", 4) + "abcd", false, out.c_str(),
       Refusal::kNone, Refusal::kNone},
      {"count one past the data", Header("297", "210", 5) + "abcd", false, out.c_str(),
       Refusal::kDataPastEnd, Refusal::kDataPastEnd},
      {"header only, count 0", headerOnly, false, out.c_str(), Refusal::kNone, Refusal::kNone},
      {"shorter than a header", std::string(255, '1'), false, out.c_str(), Refusal::kShortRecord,
       Refusal::kShortRecord},
      {"empty", "", false, out.c_str(), Refusal::kShortRecord, Refusal::kShortRecord},
      {"all 0xFF header", std::string(300, '\xFF'), false, out.c_str(), Refusal::kDataPastEnd,
       Refusal::kDataPastEnd},
      {"null record", headerOnly, true, unreachable.c_str(), Refusal::kNoRecord,
       Refusal::kNoRecord},
      {"null record and path", "", true, nullptr, Refusal::kNoRecord, Refusal::kNoRecord},
      {"null path", headerOnly, false, nullptr, Refusal::kNoPath, Refusal::kNone},
      {"unwritable path", headerOnly, false, unreachable.c_str(), Refusal::kCannotWrite,
       Refusal::kNone},
  };
  clTiffTools tools;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const char* record = c.null ? nullptr : c.record.data();
    CMemFile tiff;
    Refusal why = Refusal::kNoMemory;
    EXPECT_EQ(tools.mConvertCroftToTiff(record, c.record.size(), tiff, why),
              c.inMemory == Refusal::kNone);
    EXPECT_EQ(why, c.inMemory);
    why = Refusal::kNoMemory;
    EXPECT_EQ(tools.mConvertCroftToTiff(record, c.record.size(), c.path, why),
              c.why == Refusal::kNone);
    EXPECT_EQ(why, c.why);
    EXPECT_EQ(std::filesystem::exists(out), c.why == Refusal::kNone);
    std::filesystem::remove(out);
    if (c.null || c.path != out.c_str()) {
      EXPECT_FALSE(tools.mConvertCroftToTiff(const_cast<char*>(record), const_cast<char*>(c.path)));
    }
    EXPECT_FALSE(c.null && tools.mConvertCroftToTiff(nullptr, tiff));
    EXPECT_EQ(tiff.GetLength(), c.inMemory == Refusal::kNone ? 418 + c.record.size() - 256 : 0u);
  }
  EXPECT_FALSE(std::filesystem::exists(unreachable));
}

// Under a file-size limit of 1000 bytes the append of the data fails after the
// 418 bytes of head went through: the conversion must fail and leave no file.
TEST(clTiffTools, AFileCutShortIsRemoved) {
  TempDir dir;
  const std::string path = dir.File("out.tif");
  const std::string record = Header("297", "210", 5000) + Data(5000);
  const auto convertUnderLimit = [&] {
    const rlimit limit{1000, 1000};
    std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(2);
    clTiffTools::Refusal why = clTiffTools::Refusal::kNone;
    const bool converted =
        clTiffTools().mConvertCroftToTiff(record.data(), record.size(), path.c_str(), why);
    std::_Exit(!converted && why == clTiffTools::Refusal::kCannotWrite &&
                       !std::filesystem::exists(path)
                   ? 0
                   : 1);
  };
  EXPECT_EXIT(convertUnderLimit(), testing::ExitedWithCode(0), "");
}

}  // namespace
