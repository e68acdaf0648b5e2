#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "session/BundledFiles.h"
#include "session/BundledServer.h"
#include "session/CriteriaProfile.h"
#include "tools/CommandRegistry.h"
#include "tools/OutputFolder.h"
#include "tools/ServerOptions.h"
#include "web/WebDesk.h"
#include "web/WebServer.h"

extern char** environ;

// sorrel web [--url URL --user U] [--base NAME] [--port N] [--out DIR] [--open]:
// the searcher's desk in a browser, on 127.0.0.1 only, until Ctrl-C or SIGTERM.
namespace {

namespace fs = std::filesystem;

struct WebOptions {
  ServerOptions server;
  std::string base = "SAMPLE";
  std::string outDir = "sorrel-out";
  int port = 0;
  bool open = false;
};

// Hands the address to the desktop's browser; a failure is said, not fatal.
void OpenInBrowser(const std::string& address) {
  char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(address.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
    std::fprintf(stderr, "sorrel: cannot run xdg-open; open the address yourself\n");
    return;
  }
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
}

// Serves until SIGINT or SIGTERM, which a thread of its own waits for: the
// signals are blocked in every thread, so none is broken off mid-request.
void ServeUntilStopped(WebServer& server, const sigset_t& stops) {
  std::thread watcher([&server, stops] {
    int signal = 0;
    sigwait(&stops, &signal);
    server.Stop();
  });
  if (!server.Serve()) std::fprintf(stderr, "sorrel: the desk's server stopped serving\n");
  // Serve also returns when it failed; the watcher is then woken by hand.
  pthread_kill(watcher.native_handle(), SIGTERM);
  watcher.join();
}

int Run(WebOptions& options) {
  std::string error;
  VERGER_CONFIG config;
  const std::string page = WebServer::PageFolder();
  if (page.empty()) {
    std::fprintf(stderr, "sorrel: the page's files (web/page) are not installed\n");
    return 1;
  }
  if (!OutputFolder(options.outDir).Make(&error) ||
      !LoadCriteriaProfile(BundledFile("criteria.ini"), config, error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  BundledServer bundled;
  if (options.server.url.empty()) {
    if (!bundled.Start((fs::path(options.outDir) / "server.log").string(), error)) {
      std::fprintf(stderr, "sorrel: %s\n", error.c_str());
      return 1;
    }
    options.server.url = bundled.url();
    options.server.user = "demo";
    options.server.password = "demo";
  }
  SearchSession::Settings settings;
  settings.base = options.base;
  settings.outDir = options.outDir;
  settings.codeset = "UTF-8";  // the page sends its lines as UTF-8
  {
    WebDesk desk(options.server.url, TerminalCredentials(options.server), settings, config,
                 (fs::path(page) / "register.xsl").string());
    WebServer server(desk, page);
    if (!server.Bind(options.port, error)) {
      std::fprintf(stderr, "sorrel: %s\n", error.c_str());
      return 1;
    }
    std::printf("%s\n", server.Address().c_str());
    std::fflush(stdout);
    if (options.open) OpenInBrowser(server.Address());
    ServeUntilStopped(server, stops);
  }
  bundled.Stop();
  return 0;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  static WebOptions options;
  CLI::App* command = app.add_subcommand(
      "web", "The search session in a browser: serves a page on 127.0.0.1 and prints its address");
  command->add_option("--url", options.server.url,
                      "servlet URL of the search server; without it the bundled reference "
                      "server is started on the sample base");
  command->add_option("--user", options.server.user,
                      "user name with --url (else SORREL_USER); the password comes from "
                      "SORREL_PASSWORD or a prompt, never from the page");
  command->add_option("--base", options.base, "database to search (default SAMPLE)");
  command->add_option("--port", options.port, "port on 127.0.0.1 (default: a free one)")
      ->check(CLI::Range(1, 65535));
  command->add_option("--out", options.outDir, "folder of the files made (default sorrel-out)");
  command->add_flag("--open", options.open, "open the page in the desktop's browser (xdg-open)");
  command->callback([&exitCode] { exitCode = Run(options); });
});

}  // namespace
