#include <cstdio>
#include <string>

#include "platform/FileApi.h"
#include "support/clAccessFile.h"
#include "support/clExchangeIdxTool.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"

namespace {

// Gives the command the key form, to explain a failed lookup.
class IdxLookup : public clExchangeIdxTool {
 public:
  using clExchangeIdxTool::mFormatString;
};

int Run(const std::string& directory, const std::string& identifier) {
  const std::string folderProblem = InputFile::FolderProblem(directory);
  if (!folderProblem.empty()) {
    std::fprintf(stderr, "sorrel: %s\n", folderProblem.c_str());
    return 1;
  }
  IdxLookup tool;
  const CString found = tool.mSearchInExchangeIdxFile(directory.c_str(), identifier.c_str());
  if (!found.IsEmpty()) {
    std::printf("%s\n", NativePath(found).c_str());
    return 0;
  }
  const std::string index = directory + "EXCHANGE.IDX";
  const std::string indexProblem = InputFile::Problem(index);
  clAccessFile file;
  CString key = tool.mFormatString(identifier.c_str());
  if (!indexProblem.empty() && (directory.empty() || directory.back() == '/')) {
    std::fprintf(stderr, "sorrel: %s\n", indexProblem.c_str());
  } else if (!file.mOpenFileForReading(index.c_str())) {
    std::fprintf(stderr, "cannot open %s (the directory must end with a separator)\n",
                 index.c_str());
  } else if (key.IsEmpty()) {
    std::fprintf(stderr, "identifier must read \"COUNTRY NUMBER KIND \", ending with a blank\n");
  } else {
    char* line = nullptr;
    const long offset = file.mFind(key.GetBuffer(), key.GetLength(), -1, ' ', &line, 1, 0, 1, 0);
    key.ReleaseBuffer();
    delete[] line;
    if (offset < 0) {
      std::fprintf(stderr, "\"%s\" is not in %s\n", key.c_str(), index.c_str());
    } else {
      std::fprintf(stderr, "%s lists \"%s\" but its PDF file does not exist\n", index.c_str(),
                   key.c_str());
    }
  }
  return 1;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command =
      app.add_subcommand("idx", "Find a document's PDF file through a medium's EXCHANGE.IDX");
  static std::string directory;
  static std::string identifier;
  command->add_option("DIR", directory, "medium directory, ending with a separator")->required();
  command->add_option("ID", identifier, "\"COUNTRY NUMBER KIND \" (with the trailing blank)")
      ->required();
  command->callback([&exitCode] { exitCode = Run(directory, identifier); });
});

}  // namespace
