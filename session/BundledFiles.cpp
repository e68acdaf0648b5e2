#include "session/BundledFiles.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::string BundledFile(const std::string& relative) {
  std::vector<fs::path> candidates = {fs::path(SORREL_EXAMPLES_DIR) / relative};
  std::error_code failed;
  const fs::path exe = fs::read_symlink("/proc/self/exe", failed);
  if (!failed) {
    candidates.push_back(exe.parent_path() / "examples" / relative);
    candidates.push_back(exe.parent_path().parent_path() / "examples" / relative);
  }
  for (const fs::path& candidate : candidates) {
    if (fs::is_regular_file(candidate, failed)) return candidate.string();
  }
  return candidates.front().string();
}
