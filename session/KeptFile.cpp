#include "session/KeptFile.h"

#include <filesystem>
#include <fstream>

#include "ktf/KtfDocumentWriter.h"

KeptFile::KeptFile(const std::string& folder)
    : path_((std::filesystem::path(folder) / "kept.ktf").string()) {}

bool KeptFile::Append(const std::vector<KtfDocumentReader::Document>& documents) {
  std::ofstream out(path_, std::ios::binary | (written_ ? std::ios::app : std::ios::trunc));
  // Each document's field lines, then the empty line that ends it.
  for (const KtfDocumentReader::Document& document : documents) {
    out << KtfDocumentWriter::ToText(document) << '\n';
  }
  out.close();
  if (!out) return false;
  written_ = true;
  return true;
}
