#include "bundle/BundledData.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The environment variable `name`, or "" when unset.
std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::vector<fs::path> BundledData::Folders(const fs::path& programFolder,
                                           const char* dataVariable) {
  if (dataVariable != nullptr && *dataVariable != '\0') return {fs::path(dataVariable)};
  if (programFolder.empty()) return {};
  return {(programFolder.parent_path() / "share" / "sorrel" / "examples").lexically_normal(),
          programFolder / "share" / "sorrel" / "examples"};
}

std::vector<fs::path> BundledData::Folders() {
  return Folders(ProgramFolder(), std::getenv(kDataVariable));
}

bool BundledData::Find(const std::string& relative, std::string& path, std::string& error) {
  const std::vector<fs::path> folders = Folders();
  std::string looked;
  for (const fs::path& folder : folders) {
    std::error_code failed;
    if (fs::is_regular_file(folder / relative, failed)) {
      path = (folder / relative).string();
      return true;
    }
    looked += (looked.empty() ? "" : ", ") + folder.string();
  }
  error = "bundled file " + relative + " not found (looked in " +
          (looked.empty() ? std::string("no folder: the program's location is unknown") : looked) +
          "); set " + kDataVariable + " or --data-dir to the folder that holds it";
  return false;
}

std::string BundledData::SampleFolder(std::string& error) {
  const std::string chosen = Variable(kSampleVariable);
  if (!chosen.empty()) return chosen;
  const fs::path program = ProgramFolder();
  std::error_code failed;
  if (!program.empty() && fs::is_directory(program / "share" / "sorrel", failed)) {
    return (program / "server" / "SAMPLE").string();
  }
  const std::string cache = Variable("XDG_CACHE_HOME");
  if (!cache.empty()) return (fs::path(cache) / "sorrel" / "SAMPLE").string();
  const std::string home = Variable("HOME");
  if (!home.empty()) return (fs::path(home) / ".cache" / "sorrel" / "SAMPLE").string();
  error = std::string("no folder for the sample base: set ") + kSampleVariable +
          " (or HOME), or name a base";
  return "";
}

fs::path BundledData::ProgramFolder() {
  std::error_code failed;
  const fs::path self = fs::read_symlink("/proc/self/exe", failed);
  return failed ? fs::path() : self.parent_path();
}
