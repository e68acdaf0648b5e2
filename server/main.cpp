// sorrel-server: the reference search server. See docs/server.md.
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "server/SampleBase.h"
#include "server/ServerOptions.h"
#include "server/SorrelServer.h"
#include "server/StoredPassword.h"

namespace {

int Usage(const std::string& problem) {
  std::fprintf(stderr, "sorrel-server: %s\n%s", problem.c_str(), ServerOptions::kUsage);
  return 2;
}

int Failed(const std::string& error) {
  std::fprintf(stderr, "sorrel-server: %s\n", error.c_str());
  return 1;
}

// The bundled sample base, written on first use (and again over an earlier
// version's), with the facsimile pages
// that its first document names (its FP fields): two of the bundled CROFT
// records, real Group 4 pages. A page that cannot be copied is reported
// and left out.
bool PrepareSampleBase(const std::string& sample, std::string& error) {
  if (!SampleBase::Current(sample) &&
      !SampleBase::Write(sample, "SAMPLE", ServerOptions::kSampleDocuments, error)) {
    return false;
  }
  const std::pair<const char*, const char*> pages[] = {{"drawing.croft", "EP1000000A1-1.croft"},
                                                       {"claims.croft", "EP1000000A1-2.croft"}};
  for (const auto& [source, target] : pages) {
    std::error_code failed;
    const std::filesystem::path to = std::filesystem::path(sample) / target;
    if (!std::filesystem::exists(to))
      std::filesystem::copy_file(std::filesystem::path(SORREL_SAMPLE_CROFT_DIR) / source, to,
                                 failed);
    if (failed)
      std::fprintf(stderr, "sorrel-server: facsimile page %s not added: %s\n", target,
                   failed.message().c_str());
  }
  return true;
}

// Reads one password line from standard input (without echo on a
// terminal) and prints the PasswordHash line that a users file stores.
int HashPassword() {
  termios saved{};
  bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::fputs("password: ", stderr);
  }
  std::string password;
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    password += static_cast<char>(c);
  }
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) return Failed("no password read");
  std::string stored, error;
  if (!StoredPassword::Make(password, stored, error)) return Failed(error);
  std::printf("PasswordHash=%s\n", stored.c_str());
  return 0;
}

// Serves until SIGINT or SIGTERM: one thread takes them and stops the
// server; every other thread, the server's workers included, has them
// blocked.
int Serve(const SorrelServer::Options& options) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  SorrelServer server;
  std::string error;
  if (!server.Start(options, error)) return Failed(error);
  std::printf("%s\n", server.ServletUrl().c_str());
  std::fflush(stdout);
  std::thread stopper([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
  });
  bool served = server.Serve();
  // Wake the stopper when the server ended on its own.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  std::fprintf(stderr, "sorrel-server: stopped\n");
  return served ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ServerOptions options = ServerOptions::Parse(argc, argv);
  std::string error;
  switch (options.action) {
    case ServerOptions::Action::kHelp:
      std::fputs(ServerOptions::kUsage, stdout);
      return 0;
    case ServerOptions::Action::kHashPassword:
      return HashPassword();
    case ServerOptions::Action::kRefused:
      return Usage(options.problem);
    case ServerOptions::Action::kGenerateBase:
      return SampleBase::Write(options.generateFolder, options.baseName, options.documents, error)
                 ? 0
                 : Failed(error);
    case ServerOptions::Action::kServe:
      break;
  }
  if (options.server.usersFile.empty()) options.server.usersFile = SORREL_SERVER_USERS_FILE;
  if (options.server.bases.empty()) {
    if (!PrepareSampleBase(SORREL_SAMPLE_BASE_DIR, error)) return Failed(error);
    options.server.bases.push_back(SORREL_SAMPLE_BASE_DIR);
  }
  return Serve(options.server);
}
