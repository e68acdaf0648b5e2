#include "sgml/K2S_OutputFile.h"

#include <sys/stat.h>

#include <string>

#include "platform/DiagnosticSink.h"

namespace {

// _lcreat gives a new file what the umask leaves of 0666; an SGML file may be
// read by others, never written by them, whatever the umask.
void NarrowMode(HFILE file, const char* path) {
  struct stat info {};
  if (::fstat(file, &info) != 0 || (info.st_mode & 0133) == 0) return;
  if (::fchmod(file, info.st_mode & 0644) != 0) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("cannot narrow the permissions of " + std::string(path)).c_str());
  }
}

}  // namespace

K2S_OutputFile::~K2S_OutputFile() { (void)Close(); }

bool K2S_OutputFile::Open(const char* path) {
  (void)Close();
  m_file = _lcreat(path, 0);
  m_failed = false;
  m_pending.clear();
  if (m_file == HFILE_ERROR) return false;
  NarrowMode(m_file, path);
  return true;
}

bool K2S_OutputFile::Write(const char* text, size_t length) {
  if (m_file == HFILE_ERROR) return false;
  m_pending.append(text, length);
  if (m_pending.size() >= kFlushSize) return Flush();
  return !m_failed;
}

bool K2S_OutputFile::Flush() {
  if (!m_pending.empty()) {
    const UINT written = _lwrite(m_file, m_pending.data(), static_cast<UINT>(m_pending.size()));
    if (written != m_pending.size()) m_failed = true;
    m_pending.clear();
  }
  return !m_failed;
}

bool K2S_OutputFile::Close() {
  if (m_file == HFILE_ERROR) return true;
  const bool flushed = Flush();
  const bool closed = _lclose(m_file) != HFILE_ERROR;
  m_file = HFILE_ERROR;
  return flushed && closed;
}
