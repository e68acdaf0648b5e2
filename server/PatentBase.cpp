#include "server/PatentBase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "ktf/KtfDocumentReader.h"
#include "platform/CString.h"
#include "server/SqliteEngine.h"
#include "support/clAccessConfigFile.h"

namespace fs = std::filesystem;

bool PatentBase::Open(const std::string& folder, std::string& error) {
  folder_ = folder;
  clAccessConfigFile ini{CString((fs::path(folder) / "base.ini").string().c_str())};
  CString name, title;
  ini.mRead(CString("BASE"), CString("Name"), name);
  ini.mRead(CString("BASE"), CString("Title"), title);
  name_ = name.IsEmpty() ? fs::path(folder).filename().string() : std::string(name);
  title_ = static_cast<const char*>(title);
  engine_ = std::make_unique<SqliteEngine>();
  if (!engine_->Open(folder, error)) return false;
  std::string text;
  if (ReadOwnFile("register.ktf", text)) {
    KtfDocumentReader entries;
    if (!entries.Parse(text)) {
      error = folder + "/register.ktf: " + entries.error();
      return false;
    }
    for (const auto& entry : entries.documents()) register_[entry.First("PN")] = entry;
  }
  return true;
}

bool PatentBase::Servable(const std::string& name) {
  return !name.empty() && name.size() <= 255 && name[0] != '.' &&
         name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
         name.find('\0') == std::string::npos && name.rfind("index.sqlite", 0) != 0 &&
         name != "documents.ktf" && name != "register.ktf";
}

bool PatentBase::ReadFile(const std::string& name, std::string& bytes) const {
  return Servable(name) && ReadOwnFile(name, bytes);
}

bool PatentBase::ReadOwnFile(const std::string& name, std::string& bytes) const {
  // O_NOFOLLOW refuses a link as the last component, and `name` has no
  // other component below the folder; O_NONBLOCK keeps a FIFO from
  // blocking the open, and fstat refuses everything but a regular file.
  int fd = ::open((fs::path(folder_) / name).c_str(),
                  O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  bytes.clear();
  char buffer[65536];
  ssize_t got = 0;
  while (ok && (got = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    ok = got > 0;
    if (ok) bytes.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return ok;
}

std::vector<std::string> PatentBase::FileNames() const {
  std::vector<std::string> names;
  std::error_code code;
  for (const auto& entry : fs::directory_iterator(folder_, code)) {
    std::string name = entry.path().filename().string();
    if (!entry.is_symlink(code) && entry.is_regular_file(code) && Servable(name)) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

const KtfDocument* PatentBase::RegisterEntry(const std::string& number) const {
  auto found = register_.find(number);
  return found == register_.end() ? nullptr : &found->second;
}
