#include "support/clExchangeIdxTool.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/common/TempDir.h"

namespace {

class IdxTool : public clExchangeIdxTool {
 public:
  using clExchangeIdxTool::mFormatString;
};

TEST(ExchangeIdx, KeysJoinCountryAndKindAndPadTheNumber) {
  IdxTool tool;
  EXPECT_EQ(tool.mFormatString("US 1234567 B2 "), "USB2 01234567");
  EXPECT_EQ(tool.mFormatString("EP 123456789 A1 "), "EPA1 123456789");
  EXPECT_EQ(tool.mFormatString("US 1234567 B2"), "");
  EXPECT_EQ(tool.mFormatString("US"), "");
}

// An index line: the key, blanks up to column 47, then the relative path.
std::string IndexLine(const std::string& key, const std::string& path) {
  return key + std::string(47 - key.size(), ' ') + path + "\r\n";
}

class ExchangeIdxMedium : public ::testing::Test {
 protected:
  void SetUp() override {
    // Enough documents for the search to go through its binary phase.
    std::string index;
    for (int n = 1; n <= 400; ++n) {
      char number[16];
      std::snprintf(number, sizeof number, "%08d", n * 7);
      const std::string folder = "DOC" + std::to_string(n);
      std::filesystem::create_directories(dir_.path() / folder);
      if (n % 2) {
        WriteBytes(dir_.File(folder + "/" + number + ".PDF"), "%PDF");
        index += IndexLine(std::string("USB2 ") + number, "\\" + folder + "\\" + number + ".PDF");
      } else {
        WriteBytes(dir_.File(folder + "/DOCUMENT.PDF"), "%PDF");
        index += IndexLine(std::string("USB2 ") + number, "\\" + folder + "\\" + number + ".tif");
      }
    }
    index += IndexLine("USB2 99999999", "\\GONE\\99999999.PDF");
    WriteBytes(dir_.File("EXCHANGE.IDX"), index);
    medium_ = dir_.path().string() + "/";
  }

  TempDir dir_;
  std::string medium_;
  clExchangeIdxTool tool_;
};

TEST_F(ExchangeIdxMedium, FindsPdfFilesAndRedirectsOtherFiles) {
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(medium_.c_str(), "US 7 B2 "),
            dir_.path().string() + "\\DOC1\\00000007.PDF");
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(medium_.c_str(), "US 1400 B2 "),
            dir_.path().string() + "\\DOC200\\DOCUMENT.PDF");
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(medium_.c_str(), "US 00001393 B2 "),
            dir_.path().string() + "\\DOC199\\00001393.PDF");
}

TEST_F(ExchangeIdxMedium, AnswersEmptyWhenTheDocumentCannotBeReached) {
  // Absent key, file listed but missing, malformed identifier.
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(medium_.c_str(), "US 8 B2 "), "");
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(medium_.c_str(), "US 99999999 B2 "), "");
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(medium_.c_str(), "US 7 B2"), "");
  // A directory without its trailing separator names another file.
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile(dir_.path().c_str(), "US 7 B2 "), "");
  TempDir empty;
  EXPECT_EQ(tool_.mSearchInExchangeIdxFile((empty.path().string() + "/").c_str(), "US 7 B2 "), "");
}

}  // namespace
