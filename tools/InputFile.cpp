#include "tools/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string Reason(const std::string& path, int error) {
  if (error == ENOENT) return path + " does not exist";
  if (error == ENOTDIR) return path + " does not exist (a part of it is not a directory)";
  return "cannot read " + path + ": " + std::strerror(error);
}

}  // namespace

std::string InputFile::Problem(const std::string& path) {
  struct stat info {};
  if (path.empty()) return "an empty file name";
  if (::stat(path.c_str(), &info) != 0) return Reason(path, errno);
  if (S_ISDIR(info.st_mode)) return path + " is a directory";
  if (!S_ISREG(info.st_mode)) return path + " is not a regular file";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Reason(path, errno);
  ::close(fd);
  if (info.st_size == 0) return path + " is empty";
  return {};
}

std::string InputFile::FolderProblem(const std::string& path) {
  struct stat info {};
  if (path.empty()) return "an empty folder name";
  if (::stat(path.c_str(), &info) != 0) return Reason(path, errno);
  if (!S_ISDIR(info.st_mode)) return path + " is not a directory";
  return {};
}

bool InputFile::Read(const std::string& path, std::string* bytes, std::string* error) {
  *error = Problem(path);
  if (!error->empty()) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = Reason(path, errno);
    return false;
  }
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      *error = Reason(path, errno);
      ::close(fd);
      return false;
    }
    bytes->append(buffer, static_cast<size_t>(count));
  }
  ::close(fd);
  return true;
}
