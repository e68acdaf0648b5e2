#pragma once

#include <string>
#include <vector>

// The folder a command writes its files into (`-o DIR`, `--out DIR`), made
// with its missing parents when absent. A job that wrote nothing there calls
// RemoveIfUnused(), which removes the folders it made, deepest first, while
// they are empty: a failed job leaves no folder behind that it created, and
// never removes one that was there before or that holds a file.
class OutputFolder {
 public:
  explicit OutputFolder(std::string path);

  // Makes the folder and its missing parents, each with 0755 less the umask
  // (never writable by others). False with "cannot make the
  // folder X: reason" in *error (for example when a part is a regular file).
  bool Make(std::string* error);
  // Removes the folders that Make() created and that are still empty.
  void RemoveIfUnused();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> made_;  // the folders Make() created, outermost first
};
