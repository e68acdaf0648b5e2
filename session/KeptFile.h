#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"

// The file "kept.ktf" of a session's folder, where KEEP writes the kept
// documents in the KTF form. Every KEEP adds to it, the first one of a
// session included: a file an earlier session left in the folder is kept
// and added to, never replaced.
class KeptFile {
 public:
  explicit KeptFile(const std::string& folder);

  // Adds `documents` at the end of the file (made when missing, 0644 less
  // the umask). False when
  // they cannot all be written: the file is then cut back to what it held
  // before, so no document is ever half written.
  bool Append(const std::vector<KtfDocumentReader::Document>& documents);

  const std::string& path() const { return path_; }
  // A KEEP has written the file in this session.
  bool written() const { return written_; }
  // Documents of an earlier session were in the file when this session first
  // added to it.
  bool continued() const { return continued_; }

 private:
  std::string path_;
  bool written_ = false;
  bool continued_ = false;
};
