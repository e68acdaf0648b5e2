#include <cstdio>
#include <string>

#include "support/clAccessFile.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"

namespace {

struct FindOptions {
  std::string file;             // the sorted file
  std::string key;              // what to look for
  int field = -1;               // key field from 1, -1 for the whole line
  std::string separator = ";";  // field separator (its first byte)
  bool numeric = false;         // compare fields as numbers
  bool complete = false;        // field must equal the key
  bool near = false;            // first line at or after the key
  bool fieldOnly = false;       // answer the field, not the whole line
};

int Run(const FindOptions& options) {
  if (options.field == 0 || options.field < -1) {
    throw CLI::ValidationError("--field", "a field number from 1, or -1 for the whole line");
  }
  const std::string problem = InputFile::Problem(options.file);
  clAccessFile file;
  if (!problem.empty() || !file.mOpenFileForReading(options.file.c_str())) {
    std::fprintf(stderr, "sorrel: %s\n",
                 problem.empty() ? ("cannot open " + options.file).c_str() : problem.c_str());
    return 1;
  }
  std::string key = options.key;
  char* line = nullptr;
  const long offset = file.mFind(key.data(), static_cast<int>(key.size()), options.field,
                                 options.separator.empty() ? ';' : options.separator[0], &line,
                                 options.numeric ? 0 : 1, options.complete ? 1 : 0,
                                 options.fieldOnly ? 0 : 1, options.near ? 1 : 0);
  if (offset < 0) {
    std::fprintf(stderr, "sorrel: \"%s\" not found in %s\n", options.key.c_str(),
                 options.file.c_str());
    return 1;
  }
  std::printf("%ld\t%s\n", offset, line);
  delete[] line;
  return 0;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "find", "Search a file sorted on a key field; prints the offset and the line found");
  static FindOptions options;
  command->add_option("FILE", options.file, "sorted text file")->required();
  command->add_option("KEY", options.key, "key to look for")->required();
  command->add_option("--field", options.field, "key field, from 1; -1 for the whole line");
  command->add_option("--separator", options.separator, "field separator (its first byte)");
  command->add_flag("--numeric", options.numeric, "compare keys as numbers");
  command->add_flag("--complete", options.complete, "the field must equal the key");
  command->add_flag("--near", options.near, "answer the first line at or after the key");
  command->add_flag("--field-only", options.fieldOnly, "answer from the field, not the line");
  command->callback([&exitCode] { exitCode = Run(options); });
});

}  // namespace
