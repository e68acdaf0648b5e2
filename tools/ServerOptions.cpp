#include "tools/ServerOptions.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Reads a password from the terminal with echo off; empty when there is no
// terminal (scripts give SORREL_PASSWORD instead).
std::string PromptPassword(const std::string& user) {
  if (!::isatty(STDIN_FILENO)) return "";
  std::fprintf(stderr, "password for %s: ", user.c_str());
  std::fflush(stderr);
  termios saved{};
  const bool echoOff = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (echoOff) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string password;
  std::getline(std::cin, password);
  if (echoOff) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  std::fprintf(stderr, "\n");
  return password;
}

}  // namespace

void AddServerOptions(CLI::App& command, ServerOptions& options) {
  command.add_option("--url", options.url, "servlet URL of the search server")->required();
  command.add_option("--user", options.user,
                     "user name (else SORREL_USER); the password comes from SORREL_PASSWORD "
                     "or a prompt on the terminal");
  command.add_flag("--json", options.json, "print one JSON object");
}

SessionListener::CredentialSource TerminalCredentials(const ServerOptions& options) {
  return [&options](std::string& user, std::string& password) {
    user = options.user.empty() ? Environment("SORREL_USER") : options.user;
    if (user.empty()) {
      std::fprintf(stderr, "sorrel: the server asks for a user name: give --user or SORREL_USER\n");
      return false;
    }
    const char* fromEnvironment = std::getenv("SORREL_PASSWORD");
    password = !options.password.empty() ? options.password
               : fromEnvironment         ? fromEnvironment
                                         : PromptPassword(user);
    return true;
  };
}
