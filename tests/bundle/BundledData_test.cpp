#include "bundle/BundledData.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/common/TempDir.h"

namespace fs = std::filesystem;

namespace {

// Sets (or with nullopt unsets) an environment variable for one scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(BundledData, FoldersComeFromTheProgramsPlaceUnlessTheVariableNamesOne) {
  struct Case {
    const char* program;
    const char* variable;
    std::vector<std::string> folders;
  } cases[] = {
      {"/opt/x/bin", nullptr, {"/opt/x/share/sorrel/examples", "/opt/x/bin/share/sorrel/examples"}},
      {"/opt/x/bin", "", {"/opt/x/share/sorrel/examples", "/opt/x/bin/share/sorrel/examples"}},
      {"/opt/x/bin", "/data", {"/data"}},
      // An unknown program location leaves only the variable.
      {"", nullptr, {}},
      {"", "/data", {"/data"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const fs::path& folder : BundledData::Folders(c.program, c.variable))
      got.push_back(folder.string());
    EXPECT_EQ(got, c.folders) << c.program << " " << (c.variable ? c.variable : "(unset)");
  }
}

TEST(BundledData, FindsARegularFileOrNamesEveryFolderLookedIn) {
  TempDir data;
  fs::create_directories(data.path() / "templates" / "patent.tpl.d");
  std::ofstream(data.path() / "criteria.ini") << "[CRITERIA]\n";
  ScopedVariable variable(BundledData::kDataVariable, data.path().string());

  std::string path, error;
  ASSERT_TRUE(BundledData::Find("criteria.ini", path, error)) << error;
  EXPECT_EQ(path, (data.path() / "criteria.ini").string());
  for (const char* missing : {"nothing.ini", "templates/patent.tpl.d", "templates"}) {
    error.clear();
    EXPECT_FALSE(BundledData::Find(missing, path, error)) << missing;
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_NE(error.find(data.path().string()), std::string::npos) << error;
    EXPECT_NE(error.find(BundledData::kDataVariable), std::string::npos) << error;
  }
}

TEST(BundledData, SampleFolderFollowsTheVariableThenTheCacheThenHome) {
  struct Case {
    std::optional<std::string> sample, cache, home;
    std::string folder;
  } cases[] = {
      {"/s", "/c", "/h", "/s"},
      {std::nullopt, "/c", "/h", "/c/sorrel/SAMPLE"},
      {"", "", "/h", "/h/.cache/sorrel/SAMPLE"},
      {std::nullopt, std::nullopt, std::nullopt, ""},
  };
  // The test program is no build folder's program: it has no share/sorrel.
  ASSERT_FALSE(fs::exists(BundledData::ProgramFolder() / "share" / "sorrel"));
  for (const Case& c : cases) {
    ScopedVariable sample(BundledData::kSampleVariable, c.sample);
    ScopedVariable cache("XDG_CACHE_HOME", c.cache);
    ScopedVariable home("HOME", c.home);
    std::string error;
    EXPECT_EQ(BundledData::SampleFolder(error), c.folder);
    EXPECT_EQ(error.empty(), !c.folder.empty()) << error;
  }
}

}  // namespace
