#include "tools/CommandRegistry.h"

#include <utility>

namespace {
std::vector<CommandSetup>& Commands() {
  static std::vector<CommandSetup> commands;
  return commands;
}
}  // namespace

bool RegisterCommand(CommandSetup setup) {
  Commands().push_back(std::move(setup));
  return true;
}

const std::vector<CommandSetup>& RegisteredCommands() { return Commands(); }
