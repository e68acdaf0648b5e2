#include "tools/OutputFile.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/DiagnosticSink.h"

namespace fs = std::filesystem;

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (temporary_.empty()) return;
  if (::unlink(temporary_.c_str()) != 0 && errno != ENOENT) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("cannot remove " + temporary_ + ": " + std::strerror(errno)).c_str());
  }
  temporary_.clear();
}

bool OutputFile::Open(std::string* error) {
  Discard();
  struct stat info {};
  const bool exists = ::stat(path_.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    *error = path_ + " is a directory";
    return false;
  }
  // A file the user may not write stays as it is, though its folder would
  // let the rename replace it.
  if (exists && ::access(path_.c_str(), W_OK) != 0) {
    *error = "cannot write " + path_ + ": " + std::strerror(errno);
    return false;
  }
  const fs::path target(path_);
  const std::string extension = target.extension().string();
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::string name = (folder / ("." + target.stem().string() + ".XXXXXX" + extension)).string();
  std::vector<char> pattern(name.begin(), name.end());
  pattern.push_back('\0');
  const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
  if (fd < 0) {
    *error = "cannot write " + path_ + ": " + std::strerror(errno);
    return false;
  }
  temporary_ = pattern.data();
  // mkstemp makes the file private; the finished file keeps the permissions
  // of the file it replaces, or gets 0644 less the umask: a umask of 000
  // still gives nobody else the right to write it.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const mode_t mode = exists ? (info.st_mode & 07777) : (0644 & ~mask);
  if (::fchmod(fd, mode) != 0) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("cannot set the permissions of " + temporary_).c_str());
  }
  ::close(fd);
  return true;
}

bool OutputFile::Commit(std::string* error) {
  if (temporary_.empty() || ::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int why = temporary_.empty() ? EBADF : errno;
    *error = why == EISDIR ? path_ + " is a directory"
                           : "cannot write " + path_ + ": " + std::strerror(why);
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}
