#include <editline/readline.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "bundle/BundledData.h"
#include "session/BundledServer.h"
#include "session/CriteriaProfile.h"
#include "session/SearchSession.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"
#include "tools/JsonSessionSink.h"
#include "tools/OutputFolder.h"
#include "tools/ServerOptions.h"
#include "tools/TextSessionSink.h"

// sorrel session [--url URL] [--out DIR] [--strategies DIR] [SCRIPT]: a search session, run from
// a script, from standard input, or typed on a terminal with line editing.
namespace {

namespace fs = std::filesystem;

// The account of the bundled server that a session without --url uses.
constexpr const char* kBundledUser = "demo";
constexpr const char* kBundledPassword = "demo";

struct SessionOptions {
  ServerOptions server;
  std::string base = "SAMPLE";
  std::string outDir = "sorrel-out";
  std::string criteria;
  std::string script;
  std::string strategies;
};

// Set by Ctrl-C (SIGINT); the session's command in progress stops on it.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// While it lives, SIGINT sets `interrupted` instead of ending the program;
// system calls it breaks are not restarted, so a prompt sees it at once.
class InterruptCatcher {
 public:
  InterruptCatcher() {
    struct sigaction catcher {};
    catcher.sa_handler = OnInterrupt;
    sigemptyset(&catcher.sa_mask);
    ::sigaction(SIGINT, &catcher, &previous_);
  }
  ~InterruptCatcher() { ::sigaction(SIGINT, &previous_, nullptr); }
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

 private:
  struct sigaction previous_ {};
};

// The line editor's keys, read one character at a time (the bytes of a
// multibyte character of the locale decoded into one wide character, which is
// what libedit takes from this function); an interrupt ends the read (EOF to
// the editor, so readline returns null, told from Ctrl-D by the flag). Bytes
// that are no character of the locale come as U+FFFD, which the session
// refuses by name.
int ReadKey(FILE*) {
  std::mbstate_t state{};
  for (;;) {
    if (interrupted != 0) return EOF;
    char key = 0;
    const ssize_t got = ::read(STDIN_FILENO, &key, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got != 1) return EOF;
    wchar_t character = 0;
    const size_t length = std::mbrtowc(&character, &key, 1, &state);
    if (length == static_cast<size_t>(-2)) continue;
    if (length == static_cast<size_t>(-1)) return 0xFFFD;
    return static_cast<int>(character);
  }
}

// Typed lines, with line editing and history. Ctrl-C stops the command being
// run and comes back to the prompt; at the prompt it drops the line typed.
// Ctrl-D (or STOP) ends the session.
void ReadTyped(SearchSession& session) {
  // SIGINT is the program's: libedit installs no handler of its own and
  // reads its keys through ReadKey.
  rl_catch_signals = 0;
  rl_getc_function = ReadKey;
  // The editor reads and writes the terminal's characters in the locale's
  // encoding; without this it knows ASCII only.
  std::setlocale(LC_CTYPE, "");
  for (;;) {
    interrupted = 0;
    std::unique_ptr<char, decltype(&std::free)> line(readline("sorrel> "), &std::free);
    if (!line) {
      if (interrupted == 0) break;
      std::printf("\n");
      continue;
    }
    if (*line) add_history(line.get());
    if (!session.Run(line.get())) break;
  }
}

// Feeds lines to the session until it ends or the input does. From a script
// or a pipe, Ctrl-C stops the command being run and ends the session.
void ReadLines(std::istream& in, bool interactive, SearchSession& session) {
  if (interactive) {
    ReadTyped(session);
    return;
  }
  std::string line;
  while (interrupted == 0 && std::getline(in, line)) {
    if (!session.Run(line) || interrupted != 0) break;
  }
}

// Starts the bundled server for a session without --url, its log in the
// output folder, and takes its demo account; false (said) when it does not start.
bool StartBundled(SessionOptions& options, BundledServer& bundled) {
  const std::string log = (fs::path(options.outDir) / "server.log").string();
  std::string error;
  if (!bundled.Start(log, error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return false;
  }
  options.server.url = bundled.url();
  options.server.user = kBundledUser;
  options.server.password = kBundledPassword;
  if (!options.server.json) {
    std::printf("Started the reference search server at %s (base SAMPLE, user %s)\n",
                bundled.url().c_str(), kBundledUser);
  }
  return true;
}

// Why the script or the criteria file named cannot be used ("" when they
// can): checked before anything is made or started. A script holding NUL
// bytes is not text.
std::string InputProblem(const SessionOptions& options) {
  std::string script;
  std::string problem;
  if (!options.criteria.empty()) problem = InputFile::Problem(options.criteria);
  if (problem.empty() && !options.script.empty() && options.script != "-" &&
      InputFile::Read(options.script, &script, &problem) &&
      script.find('\0') != std::string::npos) {
    problem = options.script + " is not a text file of VERGER lines";
  }
  return problem;
}

int Run(SessionOptions& options) {
  const std::string problem = InputProblem(options);
  if (!problem.empty()) {
    std::fprintf(stderr, "sorrel: %s\n", problem.c_str());
    return 1;
  }
  std::string error;
  if (!OutputFolder(options.outDir).Make(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  VERGER_CONFIG config;
  std::string criteria = options.criteria;
  if (criteria.empty() && !BundledData::Find("criteria.ini", criteria, error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  if (!LoadCriteriaProfile(criteria, config, error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  std::ifstream scriptFile;
  if (!options.script.empty() && options.script != "-") {
    scriptFile.open(options.script, std::ios::binary);
    if (!scriptFile) {
      std::fprintf(stderr, "sorrel: cannot read the script %s\n", options.script.c_str());
      return 1;
    }
  }
  const bool interactive = options.script.empty() && ::isatty(STDIN_FILENO) != 0;

  BundledServer bundled;
  if (options.server.url.empty() && !StartBundled(options, bundled)) return 1;

  SearchSession::Settings settings;
  settings.base = options.base;
  settings.outDir = options.outDir;
  settings.strategies = options.strategies;
  settings.stop = &interrupted;
  TextSessionSink text(!interactive, ::isatty(STDERR_FILENO) != 0);
  JsonSessionSink json;
  SessionSink& sink = options.server.json ? static_cast<SessionSink&>(json) : text;
  int status;
  {
    SearchSession session(options.server.url, TerminalCredentials(options.server), settings, config,
                          sink);
    if (!options.server.json) {
      for (const std::string& line : session.Banner()) std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    }
    InterruptCatcher catcher;
    ReadLines(scriptFile.is_open() ? scriptFile : std::cin, interactive, session);
    status = session.Finish();
  }
  bundled.Stop();
  return status;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  static SessionOptions options;
  CLI::App* command = app.add_subcommand(
      "session",
      "Run a search session: VERGER lines from SCRIPT, standard input or the terminal; "
      "printed documents become SGML, TIFF and PNG files");
  command->add_option("SCRIPT", options.script, "file of VERGER lines ('-' for standard input)");
  command->add_option("--url", options.server.url,
                      "servlet URL of the search server; without it the bundled reference "
                      "server is started on the sample base");
  command->add_option("--user", options.server.user,
                      "user name with --url (else SORREL_USER); the password comes from "
                      "SORREL_PASSWORD or a prompt");
  command->add_option("--base", options.base, "database to search (default SAMPLE)");
  command->add_option("--out", options.outDir, "folder of the files made (default sorrel-out)");
  command->add_option("--criteria", options.criteria,
                      "criteria profile (default: the bundled examples/criteria.ini)");
  command->add_option("--strategies", options.strategies,
                      "folder of saved strategies (default $XDG_DATA_HOME/sorrel/strategies or "
                      "~/.local/share/sorrel/strategies)");
  command->add_flag("--json", options.server.json, "one JSON object per line");
  command->callback([&exitCode] { exitCode = Run(options); });
});

}  // namespace
