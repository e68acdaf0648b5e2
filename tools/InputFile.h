#pragma once

#include <string>

// The checks every command runs on a file argument before a library call
// reads it, so that a wrong path is reported by name in one line instead of
// surfacing as a library's puzzled refusal (or an exception from a stream).
class InputFile {
 public:
  // Empty when `path` names a regular file that can be opened for reading and
  // holds at least one byte; else why not, naming the path: "X does not
  // exist", "X is a directory", "X is not a regular file", "X is empty",
  // "cannot read X: reason". Never throws.
  static std::string Problem(const std::string& path);
  // The same for a folder that must exist ("X is not a directory" for a file).
  static std::string FolderProblem(const std::string& path);
  // Reads the whole file into *bytes after the checks of Problem(). False with
  // that one line (or the read's failure) in *error. Never throws.
  static bool Read(const std::string& path, std::string* bytes, std::string* error);
};
