#include "session/StrategyStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/DiagnosticSink.h"
#include "platform/FileApi.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kExtension = ".strategy";

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Makes `folder` and its missing parents (0755 less the umask); false with `error`.
bool MakeFolder(const std::string& folder, std::string& error) {
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure && !fs::is_directory(folder)) {
    error = "cannot make the strategy folder " + folder + ": " + failure.message();
    return false;
  }
  return true;
}

// Writes `text` to a new temporary file in `folder` (0644 less the umask),
// flushed to the disk; its path in `temporary`. False with `error`, nothing
// left behind. The name starts with '.', so it never names a strategy.
bool WriteTemporary(const std::string& folder, const std::string& name, const std::string& text,
                    std::string& temporary, std::string& error) {
  static std::atomic<unsigned> counter{0};
  std::string path;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    path = (fs::path(folder) /
            ("." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++)))
               .string();
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = SystemError("cannot write in " + folder);
    return false;
  }
  bool ok = WriteAllBytes(fd, text) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    error = SystemError("cannot write " + path);
    ::unlink(path.c_str());
    return false;
  }
  temporary = std::move(path);
  return true;
}

// Flushes the folder's entry of a renamed file, so the rename survives a crash.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     SystemError("(StrategyStore) cannot flush the folder " + folder).c_str());
  }
  if (fd >= 0) ::close(fd);
}

// The whole of file `path`; false (errno says why) when it cannot be read.
bool ReadWhole(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char block[4096];
  ssize_t got;
  while ((got = ::read(fd, block, sizeof block)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) text.append(block, static_cast<size_t>(got));
  }
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return got == 0;
}

}  // namespace

StrategyStore::StrategyStore(std::string folder) : folder_(std::move(folder)) {}

std::string StrategyStore::DefaultFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  // An XDG folder must be absolute; a relative one is ignored.
  if (data != nullptr && data[0] == '/') return (fs::path(data) / "sorrel" / "strategies").string();
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return "";
  return (fs::path(home) / ".local" / "share" / "sorrel" / "strategies").string();
}

std::string StrategyStore::NameProblem(const std::string& name) {
  if (name.empty()) return "a strategy needs a name";
  if (name.size() > kLongestName) return "a strategy name has at most 127 characters";
  const bool plain =
      name[0] != '.' && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
      });
  if (!plain) {
    return "\"" + name + "\" is not a strategy name (letters, digits, '-', '_' and '.', " +
           "not starting with '.')";
  }
  return "";
}

std::string StrategyStore::PathOf(const std::string& name) const {
  return (fs::path(folder_) / (name + kExtension)).string();
}

bool StrategyStore::Save(const std::string& name, const Strategy& strategy,
                         std::string& error) const {
  error = NameProblem(name);
  if (!error.empty()) return false;
  if (folder_.empty()) {
    error = "no strategy folder: set HOME or XDG_DATA_HOME, or give --strategies";
    return false;
  }
  std::string temporary;
  if (!MakeFolder(folder_, error) ||
      !WriteTemporary(folder_, name, strategy.Text(), temporary, error)) {
    return false;
  }
  if (::rename(temporary.c_str(), PathOf(name).c_str()) != 0) {
    error = SystemError("cannot write " + PathOf(name));
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(folder_);
  return true;
}

bool StrategyStore::Load(const std::string& name, Strategy& strategy, std::string& error) const {
  error = NameProblem(name);
  if (!error.empty()) return false;
  std::string text;
  if (!ReadWhole(PathOf(name), text)) {
    error = errno == ENOENT ? "no strategy named " + name + " in " + folder_
                            : SystemError("cannot read " + PathOf(name));
    return false;
  }
  std::string problem;
  if (!Strategy::Parse(text, strategy, problem)) {
    error = PathOf(name) + " is not a strategy: " + problem;
    return false;
  }
  return true;
}

bool StrategyStore::Erase(const std::string& name, std::string& error) const {
  error = NameProblem(name);
  if (!error.empty()) return false;
  if (::unlink(PathOf(name).c_str()) != 0) {
    error = errno == ENOENT ? "no strategy named " + name + " in " + folder_
                            : SystemError("cannot erase " + PathOf(name));
    return false;
  }
  SyncFolder(folder_);
  return true;
}
