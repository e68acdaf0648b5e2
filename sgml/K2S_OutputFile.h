#pragma once

#include <cstddef>
#include <string>

#include "platform/FileApi.h"

// The SGML file being written. Texts are collected in memory and written with
// one _lwrite when the file is closed (or whenever 64 KiB have gathered), so
// a document costs one write instead of one per text.
class K2S_OutputFile {
 public:
  static constexpr size_t kFlushSize = 64 * 1024;  // bytes gathered before an early write

  K2S_OutputFile() = default;
  K2S_OutputFile(const K2S_OutputFile&) = delete;
  K2S_OutputFile& operator=(const K2S_OutputFile&) = delete;
  // Closes a file still open (what it failed to write is lost).
  ~K2S_OutputFile();

  // Creates or truncates the file with _lcreat, with permissions no wider than
  // 0644; false when that fails.
  bool Open(const char* path);
  // Adds `length` bytes; false when no file is open or an early write
  // failed. Throws std::bad_alloc.
  bool Write(const char* text, size_t length);
  // Writes what is pending and closes; false when a write or the close failed
  // (also an earlier early write). Nothing happens when no file is open.
  bool Close();

 private:
  bool Flush();

  HFILE m_file = HFILE_ERROR;  // the file, HFILE_ERROR when none is open
  std::string m_pending;       // bytes not written yet
  bool m_failed = false;       // a write failed since Open
};
