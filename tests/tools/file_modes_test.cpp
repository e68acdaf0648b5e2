// The permissions of everything the tool and the reference server create,
// run as programs under a umask of 000: files are never wider than 0644 and
// folders never wider than 0755, so nobody else can change what they wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Runs `command` through the shell with the test's own umask (000).
int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Every entry below `root`, by its path relative to `root`, with its mode bits.
std::map<std::string, unsigned> Modes(const fs::path& root) {
  std::map<std::string, unsigned> modes;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) == 0) {
      modes[fs::relative(entry.path(), root).string()] = info.st_mode & 07777;
    }
  }
  return modes;
}

TEST(FileModes, EverythingCreatedUnderAnOpenUmaskIsClosedToOthers) {
  const mode_t previous = ::umask(0);
  TempDir work;
  const std::string tool = SORREL_TOOL_BINARY;
  const std::string root = work.path().string();
  ASSERT_EQ(Shell(tool + " sgml " SORREL_SOURCE_DIR "/examples/templates/patent.tpl " SORREL_SOURCE_DIR
                       "/examples/documents/patents.ktf -o " + root + "/sgml/a/b"),
            0);
  ASSERT_EQ(Shell(tool + " tiff --png " SORREL_SOURCE_DIR "/examples/croft/drawing.croft -o " + root +
                "/tiff/a"),
            0);
  ASSERT_EQ(Shell(SORREL_SERVER_BINARY " --generate-base " + root + "/base/a/b --documents 20"), 0);
  {
    // The server indexes the generated base when it starts.
    ReferenceServer server({"--base", root + "/base/a/b"}, ReferenceServer::Base::kSample);
  }
  WriteBytes(work.File("script"), "1000000/PN\n..PR 1\n..KE 1\n..STOP\n");
  ASSERT_EQ(Shell(tool + " session --out " + root + "/session/a " + work.File("script")), 0);
  ::umask(previous);

  // What each run must have made: the table is checked against the files
  // found, so a missing output fails as well as a wide mode.
  const char* kExpected[] = {
      "sgml",          "sgml/a",           "sgml/a/b",        "sgml/a/b/EP1000000A1.sgml",
      "tiff",          "tiff/a/drawing.tif", "tiff/a/drawing.png", "base/a/b",
      "base/a/b/base.ini", "base/a/b/documents.ktf", "base/a/b/register.ktf", "base/a/b/help.txt",
      "base/a/b/index.sqlite", "session/a",   "session/a/kept.ktf", "session/a/EP1000000A1.sgml",
      "session/a/patent.dtd", "session/a/EP1000000A1-1.tif", "session/a/EP1000000A1-1.png"};
  const std::map<std::string, unsigned> modes = Modes(work.path());
  for (const char* path : kExpected) EXPECT_EQ(modes.count(path), 1u) << path << " was not made";
  for (const auto& [path, mode] : modes) {
    if (path == "script") continue;
    const bool folder = fs::is_directory(work.path() / path);
    EXPECT_EQ(mode, folder ? 0755u : 0644u) << path << " has mode 0" << std::oct << mode;
  }
}

}  // namespace
