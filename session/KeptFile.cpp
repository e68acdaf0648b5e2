#include "session/KeptFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "ktf/KtfDocumentWriter.h"
#include "platform/DiagnosticSink.h"
#include "platform/FileApi.h"

namespace {

namespace fs = std::filesystem;

// What must go before a new document so that it starts after an empty line:
// nothing for an empty file or one that ends in one, else the missing line ends.
std::string Separator(const std::string& path, std::uintmax_t size) {
  if (size == 0) return "";
  std::ifstream in(path, std::ios::binary);
  char tail[2] = {'\n', '\n'};
  const std::uintmax_t wanted = size < 2 ? size : 2;
  in.seekg(-static_cast<std::streamoff>(wanted), std::ios::end);
  in.read(tail + (2 - wanted), static_cast<std::streamsize>(wanted));
  if (tail[1] != '\n') return "\n\n";
  return tail[0] == '\n' ? "" : "\n";
}

// Adds `text` at the end of the file, made with 0644 less the umask when
// missing (others never write it, whatever the umask). False when any of it
// could not be written.
bool AppendBytes(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteAllBytes(fd, text);
  return ::close(fd) == 0 && ok;
}

}  // namespace

KeptFile::KeptFile(const std::string& folder) : path_((fs::path(folder) / "kept.ktf").string()) {}

bool KeptFile::Append(const std::vector<KtfDocumentReader::Document>& documents) {
  std::error_code missing;
  std::uintmax_t before = fs::file_size(path_, missing);
  const bool existed = !missing;
  if (!existed) before = 0;
  std::string text = Separator(path_, before);
  // Each document's field lines, then the empty line that ends it.
  for (const KtfDocumentReader::Document& document : documents) {
    text += KtfDocumentWriter::ToText(document) + '\n';
  }
  if (!AppendBytes(path_, text)) {
    std::error_code failed;
    if (existed) {
      fs::resize_file(path_, before, failed);
    } else {
      fs::remove(path_, failed);
    }
    if (failed) {
      ReportDiagnostic(DiagnosticLevel::kDebug,
                       ("(KeptFile) cannot cut " + path_ + " back: " + failed.message()).c_str());
    }
    return false;
  }
  if (!written_) continued_ = before > 0;
  written_ = true;
  return true;
}
