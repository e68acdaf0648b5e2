#include "session/BundledServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr int kStartSeconds = 60;

std::string ServerProgram() {
  std::error_code failed;
  const fs::path self = fs::read_symlink("/proc/self/exe", failed);
  return failed ? std::string("sorrel-server") : (self.parent_path() / "sorrel-server").string();
}

}  // namespace

BundledServer::~BundledServer() { Stop(); }

bool BundledServer::Start(const std::string& logPath, std::string& error) {
  const std::string program = ServerProgram();
  if (::access(program.c_str(), X_OK) != 0) {
    error = "the reference server " + program +
            " is missing: build it (scripts/build.sh) or install the sorrel-server package";
    return false;
  }
  const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log < 0) {
    error = "cannot write " + logPath + ": " + std::strerror(errno);
    return false;
  }
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    ::close(log);
    return false;
  }
  const pid_t child = Spawn(program, out[1], log);
  ::close(out[1]);
  ::close(log);
  if (child < 0) {
    error = std::string("cannot start the reference server: ") + std::strerror(errno);
    ::close(out[0]);
    return false;
  }
  pid_ = child;
  // The first line on its standard output is the servlet URL.
  const std::string line = FirstLine(out[0]);
  ::close(out[0]);
  if (line.rfind("http", 0) != 0) {
    Stop();
    error = "the reference server did not start; its log is " + logPath;
    return false;
  }
  url_ = line;
  return true;
}

pid_t BundledServer::Spawn(const std::string& program, int out, int log) {
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child == 0) {
    // The server must not outlive a tool that dies without stopping it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    // Its own process group: Ctrl-C on the tool's terminal stops the tool's
    // command, not the server.
    ::setpgid(0, 0);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(log, STDERR_FILENO);
    const char* argv[] = {program.c_str(), "--port", "0", "--host", "127.0.0.1", nullptr};
    ::execv(program.c_str(), const_cast<char* const*>(argv));
    ::_exit(127);
  }
  return child;
}

std::string BundledServer::FirstLine(int in) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kStartSeconds);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd wait{in, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[256];
    const ssize_t got = ::read(in, chunk, sizeof chunk);
    if (got <= 0) break;
    line.append(chunk, static_cast<size_t>(got));
  }
  const size_t end = line.find('\n');
  return end == std::string::npos ? "" : line.substr(0, end);
}

void BundledServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}
