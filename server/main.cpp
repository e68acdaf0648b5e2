// sorrel-server: the reference search server. See docs/server.md.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "bundle/BundledData.h"
#include "kernel/CSORRELKernelApp.h"
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

// Servers started at the same time (a session, a desk, tests running side by
// side) share the sample base and its index: one writes them while the others
// wait on the lock file beside the base, so none reads a file another is
// still writing. The lock's descriptor, for the caller to close; -1 (said on
// stderr) when no lock could be taken, and the base is written unlocked.
int LockSampleBase(const std::string& sample) {
  const int fd = ::open((sample + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0 && ::flock(fd, LOCK_EX) == 0) return fd;
  std::fprintf(stderr, "sorrel-server: %s.lock: %s; writing the sample base unlocked\n",
               sample.c_str(), std::strerror(errno));
  if (fd >= 0) ::close(fd);
  return -1;
}

// The bundled sample base, written on first use (and again over an earlier
// version's, with its missing parent folders), with the facsimile pages that
// its first document names (its FP fields): two of the bundled CROFT
// records, real Group 4 pages. A page that cannot be found or copied is
// reported and left out.
bool WriteSampleBase(const std::string& sample, std::string& error) {
  if (!SampleBase::Current(sample) &&
      !SampleBase::Write(sample, "SAMPLE", ServerOptions::kSampleDocuments, error)) {
    return false;
  }
  const std::pair<const char*, const char*> pages[] = {{"drawing.croft", "EP1000000A1-1.croft"},
                                                       {"claims.croft", "EP1000000A1-2.croft"}};
  for (const auto& [source, target] : pages) {
    const std::filesystem::path to = std::filesystem::path(sample) / target;
    std::string from, problem;
    std::error_code failed;
    if (std::filesystem::exists(to, failed)) continue;
    if (!BundledData::Find(std::string("croft/") + source, from, problem)) {
      std::fprintf(stderr, "sorrel-server: facsimile page %s not added: %s\n", target,
                   problem.c_str());
      continue;
    }
    std::filesystem::copy_file(from, to, failed);
    if (failed)
      std::fprintf(stderr, "sorrel-server: facsimile page %s not added: %s\n", target,
                   failed.message().c_str());
  }
  return true;
}

// The sample base made ready under its lock, its parent folders made first;
// the lock stays held in `lock` until the server has opened (or indexed) it.
bool PrepareSampleBase(const std::string& sample, int& lock, std::string& error) {
  std::error_code made;
  std::filesystem::create_directories(std::filesystem::path(sample).parent_path(), made);
  lock = LockSampleBase(sample);
  return WriteSampleBase(sample, error);
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
// blocked. `sampleLock` (or -1) is let go once the server has opened its
// bases.
int Serve(const SorrelServer::Options& options, int sampleLock) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  SorrelServer server;
  std::string error;
  const bool started = server.Start(options, error);
  if (sampleLock >= 0) ::close(sampleLock);
  if (!started) return Failed(error);
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

// The bundled users table and sample base for what the line leaves out.
bool ApplyDefaults(const ServerOptions& options, SorrelServer::Options& server, int& sampleLock,
                   std::string& error) {
  if (server.usersFile.empty() && !BundledData::Find("server/users.ini", server.usersFile, error))
    return false;
  if (!server.bases.empty()) return true;
  std::string sample = options.sampleFolder;
  if (sample.empty()) sample = BundledData::SampleFolder(error);
  if (sample.empty() || !PrepareSampleBase(sample, sampleLock, error)) return false;
  server.bases.push_back(sample);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ServerOptions options = ServerOptions::Parse(argc, argv);
  std::string error;
  // Set before anything is looked for, and inherited by whatever is started.
  if (!options.dataFolder.empty())
    ::setenv(BundledData::kDataVariable, options.dataFolder.c_str(), 1);
  switch (options.action) {
    case ServerOptions::Action::kHelp:
      std::fputs(ServerOptions::kUsage, stdout);
      return 0;
    case ServerOptions::Action::kVersion:
      std::printf("sorrel-server (%s) %s\n", CSORRELKernelApp::instance().GetAppName().c_str(),
                  CSORRELKernelApp::version());
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
  int sampleLock = -1;
  if (!ApplyDefaults(options, options.server, sampleLock, error)) return Failed(error);
  return Serve(options.server, sampleLock);
}
