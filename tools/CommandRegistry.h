#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

// Each subcommand of the sorrel tool lives in its own source file and adds
// itself here at start-up, so that adding a command touches no other file.
// A setup function creates its subcommand on `app` and makes its callback set
// `exitCode`.
using CommandSetup = std::function<void(CLI::App& app, int& exitCode)>;

// Registers a subcommand; returns true so it can initialise a static.
bool RegisterCommand(CommandSetup setup);

// The registered setups, in registration order.
const std::vector<CommandSetup>& RegisteredCommands();
