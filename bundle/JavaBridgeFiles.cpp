#include "bundle/JavaBridgeFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "bundle/BundledData.h"

namespace fs = std::filesystem;

std::string JavaBridgeFiles::JavaHome(const std::string& chosen) {
  if (!chosen.empty()) return chosen;
  const char* fromEnvironment = std::getenv("JAVA_HOME");
  return fromEnvironment && *fromEnvironment ? fromEnvironment : "/usr/lib/jvm/default-java";
}

bool JavaBridgeFiles::HasJvm(const std::string& home) {
  std::error_code error;
  return fs::exists(fs::path(home) / "lib/server/libjvm.so", error);
}

std::string JavaBridgeFiles::TrellisJar() {
  std::error_code error;
  const fs::path beside = BundledData::ProgramFolder() / "trellis.jar";
  if (fs::exists(beside, error)) return beside.string();
  const char* path = std::getenv("PATH");
  const std::string folders = path ? path : "";
  for (size_t start = 0; start <= folders.size();) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const fs::path candidate = fs::path(folders.substr(start, end - start)) / "trellis.jar";
    if (end > start && fs::exists(candidate, error)) return candidate.string();
    start = end + 1;
  }
  return {};
}

void JavaBridgeFiles::Prepare(const std::string& servletUrl) {
  const char* oldPath = std::getenv("PATH");
  const std::string path = BundledData::ProgramFolder().string() +
                           (oldPath && *oldPath ? ":" + std::string(oldPath) : "");
  setenv("PATH", path.c_str(), 1);
  setenv("TRELLIS_SERVER_URL", servletUrl.c_str(), 1);
}
