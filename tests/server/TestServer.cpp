#include "tests/server/TestServer.h"

#include <filesystem>

#include "tests/common/TempDir.h"

std::string TestServer::SmallBase() {
  static TempDir folder;
  static bool copied = false;
  if (!copied) {
    std::filesystem::copy(SORREL_SOURCE_DIR "/tests/server/data/small", folder.path(),
                          std::filesystem::copy_options::recursive);
    copied = true;
  }
  return folder.path().string();
}
