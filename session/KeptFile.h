#pragma once

#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"

// The file "kept.ktf" of a session's folder, where KEEP writes the kept
// documents in the KTF form: the session's first KEEP starts it afresh,
// later ones add to it.
class KeptFile {
 public:
  explicit KeptFile(const std::string& folder);

  // Writes `documents` to the file; false when it cannot be written (the
  // file may then hold part of them).
  bool Append(const std::vector<KtfDocumentReader::Document>& documents);

  const std::string& path() const { return path_; }
  // A KEEP has written the file in this session.
  bool written() const { return written_; }

 private:
  std::string path_;
  bool written_ = false;
};
