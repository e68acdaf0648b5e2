#include <cstdio>

#include "kernel/CSORRELKernelApp.h"
#include "tools/CommandRegistry.h"

namespace {

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand("version", "Print the library's name and version");
  command->callback([&exitCode] {
    std::printf("%s %s\n", CSORRELKernelApp::instance().GetAppName().c_str(), SORREL_VERSION);
    exitCode = 0;
  });
});

}  // namespace
