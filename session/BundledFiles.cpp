#include "session/BundledFiles.h"

#include <filesystem>
#include <vector>

#include "bundle/BundledData.h"
#include "platform/DiagnosticSink.h"

std::string BundledFile(const std::string& relative) {
  std::string path, error;
  if (BundledData::Find(relative, path, error)) return path;
  ReportDiagnostic(DiagnosticLevel::kWarn, error.c_str());
  const std::vector<std::filesystem::path> folders = BundledData::Folders();
  return folders.empty() ? relative : (folders.front() / relative).string();
}
