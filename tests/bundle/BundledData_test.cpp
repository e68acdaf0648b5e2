#include "bundle/BundledData.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/common/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Sets each NAME=VALUE of `values` (unsets NAME when VALUE is null).
void SetVariables(const std::vector<std::pair<const char*, const char*>>& values) {
  for (const auto& [name, value] : values) value ? ::setenv(name, value, 1) : ::unsetenv(name);
}

TEST(BundledData, FoldersComeFromTheProgramsPlaceUnlessTheVariableNamesOne) {
  const std::vector<fs::path> installed = {"/opt/x/share/sorrel/examples",
                                           "/opt/x/bin/share/sorrel/examples"};
  EXPECT_EQ(BundledData::Folders("/opt/x/bin", nullptr), installed);
  EXPECT_EQ(BundledData::Folders("/opt/x/bin", ""), installed);
  EXPECT_EQ(BundledData::Folders("/opt/x/bin", "/data"), std::vector<fs::path>{"/data"});
  EXPECT_TRUE(BundledData::Folders("", nullptr).empty());
}

TEST(BundledData, FindsARegularFileOrNamesEveryFolderLookedIn) {
  TempDir data;
  fs::create_directories(data.path() / "templates");
  std::ofstream(data.path() / "criteria.ini") << "[CRITERIA]\n";
  SetVariables({{BundledData::kDataVariable, data.path().c_str()}});
  std::string path, error;
  ASSERT_TRUE(BundledData::Find("criteria.ini", path, error)) << error;
  EXPECT_EQ(path, data.File("criteria.ini"));
  for (const char* missing : {"nothing.ini", "templates"}) {
    EXPECT_FALSE(BundledData::Find(missing, path, error)) << missing;
    for (const std::string& named :
         {std::string(missing), data.path().string(), std::string(BundledData::kDataVariable)})
      EXPECT_NE(error.find(named), std::string::npos) << error;
  }
  SetVariables({{BundledData::kDataVariable, SORREL_SOURCE_DIR "/examples"}});
}

TEST(BundledData, SampleFolderFollowsTheVariableThenTheCacheThenHome) {
  // The test program is no build folder's program: it has no share/sorrel.
  ASSERT_FALSE(fs::exists(BundledData::ProgramFolder() / "share" / "sorrel"));
  std::string error;
  SetVariables({{BundledData::kSampleVariable, "/s"}, {"XDG_CACHE_HOME", "/c"}, {"HOME", "/h"}});
  EXPECT_EQ(BundledData::SampleFolder(error), "/s");
  SetVariables({{BundledData::kSampleVariable, ""}});
  EXPECT_EQ(BundledData::SampleFolder(error), "/c/sorrel/SAMPLE");
  SetVariables({{"XDG_CACHE_HOME", nullptr}});
  EXPECT_EQ(BundledData::SampleFolder(error), "/h/.cache/sorrel/SAMPLE");
  SetVariables({{"HOME", nullptr}});
  EXPECT_EQ(BundledData::SampleFolder(error), "");
  EXPECT_NE(error.find("SORREL_SAMPLE_DIR"), std::string::npos) << error;
}

}  // namespace
