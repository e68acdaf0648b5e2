#pragma once

#include <cstddef>
#include <string>

// Writes a deterministic base of patent documents into a folder: the same
// count always gives the same bytes. The first document is EP 1000000 A1,
// with family members and legal events in the register file. After the
// generated documents come four with accented applicants, inventors and
// titles (German, French, Nordic, Spanish; "J\u00fcrgen M\u00fcller" and
// "Soci\u00e9t\u00e9 G\u00e9n\u00e9rale de Pompes" among them).
class SampleBase {
 public:
  // Creates `folder` and its missing parents if needed (0755 less the umask)
  // and writes, each 0644 less the umask, "base.ini" (named `name`),
  // "documents.ktf" with `count` generated documents and the accented ones, "register.ktf" and
  // "help.txt". False with `error` set when a file cannot be written.
  static bool Write(const std::string& folder, const std::string& name, size_t count,
                    std::string& error);
  // True when `folder` holds a sample base of this version's documents (its
  // base.ini names their edition); an earlier version's is to be written again.
  static bool Current(const std::string& folder);
};
