#include "session/KeptFile.h"

#include <filesystem>
#include <fstream>

namespace {

// One document in the KTF form: CODE=VALUE lines with '\', LF and CR
// escaped, and an empty line after it.
void WriteKtf(std::ofstream& out, const KtfDocumentReader::Document& document) {
  for (const auto& [code, value] : document) {
    out << code << '=';
    for (const char c : value) {
      if (c == '\\') {
        out << "\\\\";
      } else if (c == '\n') {
        out << "\\n";
      } else if (c == '\r') {
        out << "\\r";
      } else {
        out << c;
      }
    }
    out << '\n';
  }
  out << '\n';
}

}  // namespace

KeptFile::KeptFile(const std::string& folder)
    : path_((std::filesystem::path(folder) / "kept.ktf").string()) {}

bool KeptFile::Append(const std::vector<KtfDocumentReader::Document>& documents) {
  std::ofstream out(path_, std::ios::binary | (written_ ? std::ios::app : std::ios::trunc));
  for (const KtfDocumentReader::Document& document : documents) WriteKtf(out, document);
  out.close();
  if (!out) return false;
  written_ = true;
  return true;
}
