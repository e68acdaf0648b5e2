#include "support/clExchangeIdxTool.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/common/TempDir.h"

namespace {

// An index line: the key, blanks up to column 47, then the relative path.
std::string IndexLine(const std::string& key, const std::string& path) {
  return key + std::string(47 - key.size(), ' ') + path + "\r\n";
}

TEST(ExchangeIdx, FindsPdfFilesRedirectsOtherFilesAndAnswersEmptyForTheUnreachable) {
  // Enough documents for the search to go through its binary phase. Odd ones
  // are PDF files; even ones are listed as TIFF but stored as DOCUMENT.PDF.
  TempDir dir;
  std::string index;
  for (int n = 1; n <= 400; ++n) {
    char number[16];
    std::snprintf(number, sizeof number, "%08d", n * 7);
    const std::string folder = "DOC" + std::to_string(n);
    std::filesystem::create_directories(dir.path() / folder);
    WriteBytes(dir.File(folder + "/" + (n % 2 ? number + std::string(".PDF") : "DOCUMENT.PDF")),
               "%PDF");
    index += IndexLine(std::string("USB2 ") + number,
                       "\\" + folder + "\\" + number + (n % 2 ? ".PDF" : ".tif"));
  }
  // Keys join country and kind and pad the number to eight digits, never cutting it.
  std::filesystem::create_directories(dir.path() / "EP");
  WriteBytes(dir.File("EP/123456789.PDF"), "%PDF");
  WriteBytes(dir.File("EXCHANGE.IDX"), IndexLine("EPA1 123456789", "\\EP\\123456789.PDF") + index +
                                           IndexLine("USB2 99999999", "\\GONE\\99999999.PDF"));
  const std::string root = dir.path().string();
  TempDir empty;
  const struct {
    std::string medium, identifier, expected;
  } cases[] = {
      {root + "/", "US 7 B2 ", root + "\\DOC1\\00000007.PDF"},
      {root + "/", "US 1400 B2 ", root + "\\DOC200\\DOCUMENT.PDF"},
      {root + "/", "US 00001393 B2 ", root + "\\DOC199\\00001393.PDF"},
      {root + "/", "US 8 B2 ", ""},         // absent key
      {root + "/", "US 99999999 B2 ", ""},  // listed, but the file is missing
      {root + "/", "EP 123456789 A1 ", root + "\\EP\\123456789.PDF"},
      {root + "/", "US 7 B2", ""},  // malformed identifiers
      {root + "/", "US", ""},
      {root, "US 7 B2 ", ""},  // a directory without its trailing separator names another file
      {empty.path().string() + "/", "US 7 B2 ", ""},  // no index
  };
  clExchangeIdxTool tool;
  for (const auto& c : cases) {
    EXPECT_EQ(tool.mSearchInExchangeIdxFile(c.medium.c_str(), c.identifier.c_str()), c.expected)
        << c.medium << " " << c.identifier;
  }
}

}  // namespace
