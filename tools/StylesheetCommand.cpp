#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "support/clSuperStyleSheetManager.h"
#include "tools/CommandRegistry.h"

namespace {

int Run(const std::string& superSheet, const std::string& dataFile) {
  std::ifstream in(dataFile, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", dataFile.c_str());
    return 2;
  }
  const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
