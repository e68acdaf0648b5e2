#include "tools/OutputFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/DiagnosticSink.h"

namespace fs = std::filesystem;

OutputFolder::OutputFolder(std::string path) : path_(std::move(path)) {}

bool OutputFolder::Make(std::string* error) {
  made_.clear();
  fs::path partial;
  for (const fs::path& part : fs::path(path_)) {
    partial /= part;
    struct stat info {};
    if (::stat(partial.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) continue;
      *error = "cannot make the folder " + path_ + ": " + partial.string() + " is not a directory";
      return false;
    }
    if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
      *error = "cannot make the folder " + path_ + ": " + std::strerror(errno);
      return false;
    }
    made_.push_back(partial.string());
  }
  return true;
}

void OutputFolder::RemoveIfUnused() {
  for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) {
    if (::rmdir(folder->c_str()) != 0) {
      // A folder that holds something stays, and so do its parents.
      ReportDiagnostic(DiagnosticLevel::kDebug,
                       ("keeping the folder " + *folder + ": " + std::strerror(errno)).c_str());
      break;
    }
  }
  made_.clear();
}
