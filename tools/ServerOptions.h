#pragma once

#include <CLI/CLI.hpp>
#include <functional>

#include "net/IacListener.h"
#include "net/InternetAccessController.h"
#include "session/ServerClient.h"

// Adds --url, --user and --json to `command`.
void AddServerOptions(CLI::App& command, ServerOptions& options);

// Runs `operation` on a controller for the options' URL and turns the
// outcome into the exit status; `output` receives what the server sent.
// Prints the output (or a JSON object) on success, a clear message otherwise.
int RunServerOperation(
    const ServerOptions& options, const char* what,
    const std::function<bool(InternetAccessController&, IacListener&, CString& output)>& operation);
