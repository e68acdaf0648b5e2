#pragma once

#include <map>
#include <memory>
#include <string>

#include "ktf/KtfDocument.h"
#include "server/SearchEngine.h"

// One searchable base: a folder with "base.ini" (section BASE: Name, Title),
// "documents.ktf", optionally "register.ktf" (family members FM and legal
// events LE by publication number PN) and any text files the base offers.
class PatentBase {
 public:
  // Opens the base in `folder` with the embedded engine (indexing it when
  // needed). False with `error` set.
  bool Open(const std::string& folder, std::string& error);

  const std::string& Name() const { return name_; }
  const std::string& Title() const { return title_; }
  SearchEngine& Engine() { return *engine_; }

  // The bytes of file `name` of the base: a plain name (no "/", not starting
  // with "."), a regular file and not a symbolic link, and not one of the
  // base's own files (documents.ktf, register.ktf, the index). False when
  // there is no such file.
  bool ReadFile(const std::string& name, std::string& bytes) const;
  // The names of the files ReadFile serves, sorted.
  std::vector<std::string> FileNames() const;
  // The register entry of `number` ("EP 1000000 A1"), or null.
  const KtfDocument* RegisterEntry(const std::string& number) const;

 private:
  static bool Servable(const std::string& name);
  // The bytes of the regular file `name` in the folder, never through a
  // symbolic link; false when it cannot be read as one.
  bool ReadOwnFile(const std::string& name, std::string& bytes) const;

  std::string folder_;
  std::string name_;
  std::string title_;
  std::unique_ptr<SearchEngine> engine_;
  std::map<std::string, KtfDocument> register_;
};
