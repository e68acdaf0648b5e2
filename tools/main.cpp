#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bundle/BundledData.h"
#include "tools/CommandRegistry.h"

namespace {

// The exit status of every command-line error: an unknown command or option,
// a missing or malformed argument (README, "Exit statuses").
constexpr int kUsageStatus = 106;

// The command the error is about, and its name as typed ("sorrel croft
// make"): the first along the chosen chain that was left an argument it does
// not know, else the deepest chosen.
const CLI::App* CommandInError(const CLI::App& app, std::string* name) {
  const CLI::App* command = &app;
  *name = "sorrel";
  for (;;) {
    const auto chosen = command->get_subcommands();
    if (chosen.empty() || !command->remaining().empty()) return command;
    command = chosen.front();
    *name += " " + command->get_name();
  }
}

// One line on standard error that names what was wrong, and the usage status.
int ReportUsageError(const CLI::App& app, const CLI::ParseError& error) {
  std::string name;
  const CLI::App* command = CommandInError(app, &name);
  const std::vector<std::string> rest = command->remaining();
  std::string message = error.what();
  if (!rest.empty()) {
    const std::string& first = rest.front();
    const bool option = first.size() > 1 && first[0] == '-';
    const bool wantsCommand = !command->get_subcommands({}).empty();
    message = option ? "unknown option " + first
                     : (wantsCommand ? "unknown command " : "unexpected argument ") + first;
  } else if (error.get_name() == "RequiredError" && !command->get_subcommands({}).empty()) {
    message = "a command is required";
  }
  std::fprintf(stderr, "%s: %s (%s --help lists what it takes)\n", name.c_str(), message.c_str(),
               name.c_str());
  return kUsageStatus;
}

}  // namespace

int main(int argc, char** argv) {
  // Named, so that the usage lines (and the manual made from them) show
  // "sorrel" rather than the path the program was started with.
  CLI::App app{"sorrel: command-line front end of the SORRELKernel library", "sorrel"};
  app.require_subcommand(1);
  // Set as soon as it is read, before any command looks for a bundled file,
  // and inherited by the bundled server that a session starts.
  app.add_option_function<std::string>(
         "--data-dir",
         [](const std::string& folder) { ::setenv(BundledData::kDataVariable, folder.c_str(), 1); },
         "folder of the bundled files (criteria, templates, style sheets, sample pages, users); "
         "sets SORREL_DATA_DIR")
      ->trigger_on_parse();
  int exitCode = 0;
  for (const CommandSetup& setup : RegisteredCommands()) setup(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    return ReportUsageError(app, error);
  }
  return exitCode;
}
