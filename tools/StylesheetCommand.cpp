#include <cstdio>
#include <string>

#include "support/clAccessConfigFile.h"
#include "support/clSuperStyleSheetManager.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"

namespace {

int Run(const std::string& superSheet, const std::string& dataFile) {
  std::string data;
  std::string error = InputFile::Problem(superSheet);
  if (!error.empty() || !InputFile::Read(dataFile, &data, &error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  CString first;
  if (!clAccessConfigFile(superSheet.c_str()).mRead("STYLE_SHEET", "STYLE_SHEET1", first)) {
    std::fprintf(stderr, "sorrel: %s is not a super style sheet (no [STYLE_SHEET] STYLE_SHEET1)\n",
                 superSheet.c_str());
    return 1;
  }
  clSuperStyleSheetManager manager(superSheet.c_str());
  CString result;
  // A failure shows its message box, which goes to standard error here.
  if (!manager.mGetBINStyleSheetToUse(CString(data), result)) return 1;
  std::printf("%s\n", result.c_str());
  return 0;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "stylesheet", "Choose the style sheet for a document from a super style sheet");
  static std::string superSheet;
  static std::string dataFile;
  command->add_option("SUPERSHEET", superSheet, "super style sheet (profile file)")->required();
  command->add_option("DATAFILE", dataFile, "the document data")->required();
  command->callback([&exitCode] { exitCode = Run(superSheet, dataFile); });
});

}  // namespace
