#include "server/PatentBase.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ktf/KtfDocumentReader.h"
#include "server/SqliteEngine.h"
#include "platform/CString.h"
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
  if (ReadFile("register.ktf", text)) {
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
         name.find('\0') == std::string::npos && name.rfind("index.sqlite", 0) != 0;
}

bool PatentBase::ReadFile(const std::string& name, std::string& bytes) const {
  if (!Servable(name)) return false;
  fs::path path = fs::path(folder_) / name;
  std::error_code code;
  if (!fs::is_regular_file(path, code)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::vector<std::string> PatentBase::FileNames() const {
  std::vector<std::string> names;
  std::error_code code;
  for (const auto& entry : fs::directory_iterator(folder_, code)) {
    std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && Servable(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

const KtfDocument* PatentBase::RegisterEntry(const std::string& number) const {
  auto found = register_.find(number);
  return found == register_.end() ? nullptr : &found->second;
}
