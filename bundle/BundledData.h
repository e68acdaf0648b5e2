#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The programs' bundled files and the sample base's folder, found from the
// program's own location (/proc/self/exe), never from a path compiled in.
// The data folder has the layout of the sources' examples/ folder:
//   PROGRAM/../share/sorrel/examples   an installed prefix (bin/ beside share/)
//   PROGRAM/share/sorrel/examples      a build folder (a link to the sources')
// SORREL_DATA_DIR, when set and not empty, replaces both; the programs'
// --data-dir option sets it, so that child programs inherit the choice.
class BundledData {
 public:
  static constexpr const char* kDataVariable = "SORREL_DATA_DIR";
  static constexpr const char* kSampleVariable = "SORREL_SAMPLE_DIR";

  // The folders searched, in order, for a program in `programFolder` with
  // `dataVariable` as the value of SORREL_DATA_DIR (null when unset).
  static std::vector<std::filesystem::path> Folders(const std::filesystem::path& programFolder,
                                                    const char* dataVariable);
  // The same for the running program and the process's environment.
  static std::vector<std::filesystem::path> Folders();

  // The path of `relative` (e.g. "templates/patent.tpl") in the first folder
  // that holds it as a regular file. Otherwise false, and `error` names the
  // file, every folder looked in and SORREL_DATA_DIR.
  static bool Find(const std::string& relative, std::string& path, std::string& error);

  // Where the sample base is made on first use and served: SORREL_SAMPLE_DIR
  // when set; PROGRAM/server/SAMPLE in a build folder; else
  // $XDG_CACHE_HOME/sorrel/SAMPLE or $HOME/.cache/sorrel/SAMPLE. Empty when
  // none of these can be named (no HOME), with the reason in `error`.
  static std::string SampleFolder(std::string& error);

  // The running program's folder; empty when /proc/self/exe cannot be read.
  static std::filesystem::path ProgramFolder();
};
