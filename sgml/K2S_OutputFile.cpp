#include "sgml/K2S_OutputFile.h"

K2S_OutputFile::~K2S_OutputFile() { (void)Close(); }

bool K2S_OutputFile::Open(const char* path) {
  (void)Close();
  m_file = _lcreat(path, 0);
  m_failed = false;
  m_pending.clear();
  return m_file != HFILE_ERROR;
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
