#include <CLI/CLI.hpp>

#include "tools/CommandRegistry.h"

int main(int argc, char** argv) {
  CLI::App app{"sorrel: command-line front end of the SORRELKernel library"};
  app.require_subcommand(1);
  int exitCode = 0;
  for (const CommandSetup& setup : RegisteredCommands()) setup(app, exitCode);
  CLI11_PARSE(app, argc, argv);
  return exitCode;
}
