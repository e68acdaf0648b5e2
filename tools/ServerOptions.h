#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "session/SessionListener.h"

// What the server commands of the tool share: the options every one takes
// and where the user's credentials come from.
struct ServerOptions {
  std::string url;    // the servlet URL of the search server
  std::string user;   // user name; else SORREL_USER
  bool json = false;  // JSON on standard output
  // The password when the caller already knows it (a bundled server's demo
  // account); else SORREL_PASSWORD or a prompt. Not an option of the tool.
  std::string password;
};

// Adds --url, --user and --json to `command`.
void AddServerOptions(CLI::App& command, ServerOptions& options);

// The user's credentials when the server asks: --user or SORREL_USER (a
// message on standard error when there is neither), and the password known,
// SORREL_PASSWORD, or one typed on the terminal with echo off (empty without
// a terminal). `options` must outlive the source.
SessionListener::CredentialSource TerminalCredentials(const ServerOptions& options);
