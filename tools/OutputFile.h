#pragma once

#include <string>

// A file that appears under its name only once it is whole. It is written
// under a temporary name in the same folder and renamed over its name by
// Commit(); destroyed uncommitted, it removes its temporary file and nothing
// else, so a failed write leaves no partial file and never removes or changes
// what was there before.
class OutputFile {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the empty temporary file beside the path, keeping the path's
  // extension, with the permissions of the file it will replace (else 0644
  // less the umask: others never write a new file). A symbolic link at the path is replaced, not followed;
  // a file the user may not write is refused. False with one line
  // naming the path in *error: "X is a directory", "cannot write X: reason".
  bool Open(std::string* error);
  // Where the writer writes until Commit(); empty before Open().
  const std::string& temporaryPath() const { return temporary_; }
  const std::string& path() const { return path_; }
  // Renames the temporary file to the path, replacing a file of that name.
  // False with the reason in *error; the temporary file is then removed.
  bool Commit(std::string* error);

 private:
  void Discard();

  std::string path_;       // the name the file gets
  std::string temporary_;  // the name it is written under
};
