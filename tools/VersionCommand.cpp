#include <cstdio>
#include <string>

#include "kernel/CSORRELKernelApp.h"
#include "tools/CommandRegistry.h"

namespace {

std::string VersionText() {
  return std::string(CSORRELKernelApp::instance().GetAppName().c_str()) + " " +
         CSORRELKernelApp::version();
}

// sorrel version, and sorrel --version: the library's name and version.
const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  app.set_version_flag("--version", VersionText, "Print the library's name and version");
  CLI::App* command = app.add_subcommand("version", "Print the library's name and version");
  command->callback([&exitCode] {
    std::printf("%s\n", VersionText().c_str());
    exitCode = 0;
  });
});

}  // namespace
