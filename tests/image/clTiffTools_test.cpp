#include "image/clTiffTools.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tiffio.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/common/TempDir.h"
#include "tools/imaging/FacsimilePage.h"

namespace {

// A CROFT header with the four digit fields as given (3, 3, 4 and 4
// characters), a data count, and recognisable bytes everywhere else.
std::string Header(const std::string& heightMm, const std::string& widthMm,
                   const std::string& lengthPx, const std::string& widthPx, uint32_t count) {
  std::string header(256, '\0');
  for (size_t i = 0; i < header.size(); ++i) header[i] = static_cast<char>(i * 7 + 3);
  header.replace(191, 3, heightMm);
  header.replace(194, 3, widthMm);
  header.replace(197, 4, lengthPx);
  header.replace(201, 4, widthPx);
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

uint32_t ReadBe32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

std::string ConvertInMemory(const std::string& record) {
  clTiffTools tools;
  CMemFile tiff;
  std::string copy = record;
  if (!tools.mConvertCroftToTiff(copy.data(), tiff)) return "refused";
  return std::string(reinterpret_cast<const char*>(tiff.GetData()), tiff.GetLength());
}

// A page with shapes that exercise Group 4's vertical and horizontal modes:
// a frame, a diagonal, a filled block and an irregular pattern, on a width
// that is not a multiple of eight.
BilevelPage TestPage() {
  BilevelPage page;
  page.width = 203;
  page.length = 61;
  page.pixels.assign(page.width * page.length, 0);
  for (uint32_t y = 0; y < page.length; ++y) {
    for (uint32_t x = 0; x < page.width; ++x) {
      const bool frame = x == 0 || y == 0 || x == page.width - 1 || y == page.length - 1;
      const bool diagonal = x == y * 3;
      const bool block = x > 120 && x < 170 && y > 10 && y < 30;
      const bool pattern = y > 35 && ((x * x + y * 7) % 11 < 3);
      page.pixels[y * page.width + x] = frame || diagonal || block || pattern;
    }
  }
  return page;
}

TEST(clTiffTools, WorkedExampleByteForByteInEveryForm) {
  const std::string header = Header("297", "210", "2339", "1728", 5000);
  const std::string record = header + Data(5000);
  const std::string expectedHead =
      std::string("MM") + Be16(42) + Be32(8) + Be16(11) + Entry(256, 3, 1, 1728) +
      Entry(257, 3, 1, 2339) + Entry(259, 3, 1, 4) + Entry(262, 3, 1, 0) + Entry(273, 4, 1, 418) +
      Entry(278, 4, 1, 2339) + Entry(279, 4, 1, 5000) + Entry(282, 5, 1, 146) +
      Entry(283, 5, 1, 154) + Entry(296, 3, 1, 2) + Entry(315, 1, 256, 162) + Be32(0) + Be32(209) +
      Be32(1) + Be32(200) + Be32(1);
  ASSERT_EQ(expectedHead.size(), 162u);

  const std::string memory = ConvertInMemory(record);
  ASSERT_EQ(memory.size(), 418u + 5000u);
  EXPECT_EQ(memory.substr(0, 162), expectedHead);
  EXPECT_EQ(memory.substr(162, 256), header);
  EXPECT_EQ(memory.substr(418), record.substr(256));

  TempDir dir;
  std::string copy = record;
  std::string path = dir.File("page.tif");
  ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(copy.data(), path.data()));
  EXPECT_EQ(ReadBytes(path), memory);
  // The memory form writes at the file's position.
  CMemFile tiff;
  tiff.Write("prefix", 6);
  ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(record.data(), record.size(), tiff));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tiff.GetData()), tiff.GetLength()),
            "prefix" + memory);
}

TEST(clTiffTools, LibtiffDecodesARealGroup4PageToTheSourceBitmap) {
  const BilevelPage page = TestPage();
  std::string record;
  std::string error;
  ASSERT_TRUE(MakeCroftRecord(page, CroftFields{297, 210, "TEST PAGE"}, &record, &error)) << error;

  TempDir dir;
  const std::string path = dir.File("page.tif");
  ASSERT_TRUE(clTiffTools().mConvertCroftToTiff(record.data(), record.size(), path.c_str()));
  EXPECT_EQ(ReadBytes(path), ConvertInMemory(record));

  // The page's size is checked by decoding it below.
  TiffMessages messages;
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  uint16_t compression = 0, unit = 0;
  float xResolution = 0, yResolution = 0;
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression) &&
              TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution) &&
              TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yResolution) &&
              TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit));
  TIFFClose(tiff);
  EXPECT_EQ(compression, COMPRESSION_CCITTFAX4);
  EXPECT_EQ(unit, RESUNIT_INCH);
  EXPECT_EQ(xResolution, 24.0f);  // trunc(203 x 25.4 / 210)
  EXPECT_EQ(yResolution, 5.0f);   // trunc(61 x 25.4 / 297)
  // The binary CROFT header in the Artist entry is the one thing libtiff
  // remarks on.
  ASSERT_EQ(messages.warnings().size(), 1u);
  EXPECT_NE(messages.warnings()[0].find("Artist"), std::string::npos) << messages.warnings()[0];
  EXPECT_TRUE(messages.errors().empty());

  BilevelPage decoded;
  ASSERT_TRUE(ReadTiffPage(path, &decoded, &error)) << error;
  EXPECT_TRUE(decoded == page);
}

TEST(clTiffTools, ResolutionFollowsTheDigitFieldsWithADefinedFallback) {
  struct Case {
    const char* heightMm;
    const char* widthMm;
    uint32_t xResolution;
    uint32_t yResolution;
  } cases[] = {
      {"297", "210", 209, 200},     // trunc(1728 x 25.4 / 210), trunc(2339 x 25.4 / 297)
      {"  3", "05 ", 8778, 19803},  // leading blanks; a non-digit ends the number
      {"000", "210", 209, 209},     // no height: square pixels from the width
      {"297", "abc", 200, 200},     // width not numeric: square pixels from the height
      {"-12", "210", 209, 209},     // a negative size counts as none
      {"xyz", "000", 200, 200},     // neither: the facsimile default
  };
  for (const Case& c : cases) {
    const std::string tiff = ConvertInMemory(Header(c.heightMm, c.widthMm, "2339", "1728", 0));
    ASSERT_EQ(tiff.size(), 418u) << c.heightMm << "/" << c.widthMm;
    EXPECT_EQ(ReadBe32(tiff, 146), c.xResolution) << c.heightMm << "/" << c.widthMm;
    EXPECT_EQ(ReadBe32(tiff, 150), 1u);
    EXPECT_EQ(ReadBe32(tiff, 154), c.yResolution) << c.heightMm << "/" << c.widthMm;
  }
}

TEST(clTiffTools, RefusesRecordsWhoseCountPassesTheirEnd) {
  struct Case {
    const char* what;
    std::string record;
    bool accepted;
  } cases[] = {
      {"count equal to the data", Header("297", "210", "0001", "0001", 4) + "abcd", true},
      {"count one past the data", Header("297", "210", "0001", "0001", 5) + "abcd", false},
      {"header only, count 0", Header("297", "210", "0001", "0001", 0), true},
      {"shorter than a header", std::string(255, '1'), false},
      {"empty", "", false},
      {"all 0xFF header", std::string(300, '\xFF'), false},
  };
  TempDir dir;
  for (const Case& c : cases) {
    clTiffTools tools;
    CMemFile tiff;
    EXPECT_EQ(tools.mConvertCroftToTiff(c.record.data(), c.record.size(), tiff), c.accepted)
        << c.what;
    EXPECT_EQ(tiff.GetLength(), c.accepted ? 418 + c.record.size() - 256 : 0u) << c.what;
    const std::string path = dir.File("out.tif");
    EXPECT_EQ(tools.mConvertCroftToTiff(c.record.data(), c.record.size(), path.c_str()), c.accepted)
        << c.what;
    EXPECT_EQ(std::filesystem::exists(path), c.accepted) << c.what;
    std::filesystem::remove(path);
  }
}

TEST(clTiffTools, NullArgumentsOrAnUncreatableFileWriteNothing) {
  clTiffTools tools;
  TempDir dir;
  std::string path = dir.File("out.tif");
  CMemFile tiff;
  EXPECT_FALSE(tools.mConvertCroftToTiff(nullptr, path.data()));
  EXPECT_FALSE(tools.mConvertCroftToTiff(nullptr, tiff));
  std::string record = Header("297", "210", "0001", "0001", 0);
  EXPECT_FALSE(tools.mConvertCroftToTiff(record.data(), static_cast<char*>(nullptr)));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(tiff.GetLength(), 0u);
  std::string unreachable = dir.File("missing/out.tif");
  EXPECT_FALSE(tools.mConvertCroftToTiff(record.data(), unreachable.data()));
  EXPECT_FALSE(std::filesystem::exists(unreachable));
}

// Converts under a file-size limit of 1000 bytes, so that the append of the
// data fails after the 418 bytes of head went through; exits 0 when the
// conversion failed and left no file. Runs in a child process.
[[noreturn]] void ConvertUnderSizeLimit(const std::string& record, const std::string& path) {
  const rlimit limit{1000, 1000};
  std::signal(SIGXFSZ, SIG_IGN);
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(2);
  const bool converted =
      clTiffTools().mConvertCroftToTiff(record.data(), record.size(), path.c_str());
  std::_Exit(!converted && !std::filesystem::exists(path) ? 0 : 1);
}

TEST(clTiffTools, AFileCutShortIsRemoved) {
  TempDir dir;
  const std::string path = dir.File("out.tif");
  const std::string record = Header("297", "210", "2339", "1728", 5000) + Data(5000);
  EXPECT_EXIT(ConvertUnderSizeLimit(record, path), testing::ExitedWithCode(0), "");
}

}  // namespace
