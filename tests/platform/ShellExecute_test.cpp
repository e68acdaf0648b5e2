#include "platform/ShellExecute.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/common/ScopedHandler.h"

namespace {

namespace fs = std::filesystem;

// Puts a folder first on PATH (or alone, when `only`) while it lives.
class PathOverride {
 public:
  PathOverride(const fs::path& folder, bool only) : saved_(std::getenv("PATH")) {
    const std::string path = only ? folder.string() : folder.string() + ":" + saved_;
    setenv("PATH", path.c_str(), 1);
  }
  ~PathOverride() { setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

fs::path MakeTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "sorrel-shell-XXXXXX").string();
  return mkdtemp(pattern.data());
}

TEST(ShellExecuteA, DefaultRunsXdgOpenFromPathWithTheTargetAsOneArgument) {
  const fs::path folder = MakeTempFolder();
  const fs::path record = folder / "args";
  std::ofstream(folder / "xdg-open")
      << "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" << record.string() << "'\n";
  fs::permissions(folder / "xdg-open", fs::perms::owner_all);
  {
    PathOverride path(folder, false);
    // Blanks and shell characters must arrive untouched, as no shell runs.
    EXPECT_GT(
        ShellExecuteA(nullptr, "open", "https://x.test/a b;$(id)", nullptr, nullptr, SW_SHOWNORMAL),
        32);
  }
  std::stringstream args;
  args << std::ifstream(record).rdbuf();
  EXPECT_EQ(args.str(), "1|https://x.test/a b;$(id)|");
  fs::remove_all(folder);
}

TEST(ShellExecuteA, FailsWhenXdgOpenIsMissing) {
  const fs::path folder = MakeTempFolder();
  {
    PathOverride path(folder, true);
    EXPECT_EQ(ShellExecuteA(nullptr, nullptr, "https://x.test/", nullptr, nullptr, SW_SHOW),
              SE_ERR_NOASSOC);
  }
  fs::remove_all(folder);
  int calls = 0;
  ScopedHandler counter(SetShellOpenHandler, [&](const char*, int) { return ++calls > 0; });
  EXPECT_EQ(ShellExecuteA(nullptr, "print", "file.txt", nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
  EXPECT_EQ(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
  EXPECT_EQ(calls, 0);
}

}  // namespace
