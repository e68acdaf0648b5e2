// The permissions of everything the tool and the reference server create,
// run as programs under an open umask (000) and a narrower one: files are
// never wider than 0644 and folders never wider than 0755, less the umask.
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

// Runs the tool and the server under `mask`: SGML and TIFF conversions into
// new nested folders, a generated base indexed by the server, and a session
// that prints and keeps a document with facsimile pages.
void MakeEverything(const TempDir& work, mode_t mask) {
  const mode_t previous = ::umask(mask);
  const std::string tool = SORREL_TOOL_BINARY;
  const std::string root = work.path().string();
  EXPECT_EQ(Shell(tool + " sgml " SORREL_SOURCE_DIR "/examples/templates/patent.tpl " SORREL_SOURCE_DIR
                         "/examples/documents/patents.ktf -o " + root + "/sgml/a/b"),
            0);
  EXPECT_EQ(Shell(tool + " tiff --png " SORREL_SOURCE_DIR "/examples/croft/drawing.croft -o " +
                  root + "/tiff/a"),
            0);
  EXPECT_EQ(Shell(SORREL_SERVER_BINARY " --generate-base " + root + "/base/a/b --documents 20"), 0);
  {
    // The server indexes the generated base when it starts.
    ReferenceServer server({"--base", root + "/base/a/b"}, ReferenceServer::Base::kSample);
  }
  WriteBytes(work.File("script"), "1000000/PN\n..PR 1\n..KE 1\n..STOP\n");
  EXPECT_EQ(Shell(tool + " session --out " + root + "/session/a " + work.File("script")), 0);
  ::umask(previous);
}

TEST(FileModes, CreatedFilesAndFoldersAreNeverWiderThanReadableByOthers) {
  // What the runs must have made: the table is checked against the files
  // found, so a missing output fails as well as a wrong mode.
  const char* kExpected[] = {
      "sgml", "sgml/a", "sgml/a/b", "sgml/a/b/EP1000000A1.sgml", "tiff", "tiff/a/drawing.tif",
      "tiff/a/drawing.png", "base/a/b", "base/a/b/base.ini", "base/a/b/documents.ktf",
      "base/a/b/register.ktf", "base/a/b/help.txt", "base/a/b/index.sqlite", "session/a",
      "session/a/kept.ktf", "session/a/EP1000000A1.sgml", "session/a/patent.dtd",
      "session/a/EP1000000A1-1.tif", "session/a/EP1000000A1-1.png"};
  // An open umask gets 0644/0755; a narrower one narrows further (SQLite
  // alone would make the index 0644 under any umask).
  const struct {
    mode_t umask;
    unsigned file, folder;
  } kCases[] = {{0, 0644, 0755}, {027, 0640, 0750}};
  for (const auto& test : kCases) {
    TempDir work;
    MakeEverything(work, test.umask);
    const std::map<std::string, unsigned> modes = Modes(work.path());
    for (const char* path : kExpected) EXPECT_EQ(modes.count(path), 1u) << path << " was not made";
    for (const auto& [path, mode] : modes) {
      if (path == "script") continue;
      const bool folder = fs::is_directory(work.path() / path);
      EXPECT_EQ(mode, folder ? test.folder : test.file)
          << path << " has mode 0" << std::oct << mode << " under umask 0" << test.umask;
    }
  }
}

}  // namespace
