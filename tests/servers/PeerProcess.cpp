#include "tests/servers/PeerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "tests/common/TempDir.h"

extern char** environ;

bool PeerProcess::Installed(const std::string& program) {
  return ::access(program.c_str(), X_OK) == 0;
}

bool PeerProcess::Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

PeerProcess::PeerProcess(const std::vector<std::string>& arguments, const std::string& logFile,
                         const std::vector<int>& ports) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error(arguments[0] + " could not be started");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (int port : ports) {
    while (!Accepts(port)) {
      const bool ended = ::waitpid(pid_, nullptr, WNOHANG) != 0;
      if (ended) pid_ = -1;  // reaped already: nothing left to stop
      if (ended || std::chrono::steady_clock::now() > deadline) {
        Stop();
        throw std::runtime_error(arguments[0] + " did not start listening: " + ReadBytes(logFile));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

PeerProcess::~PeerProcess() { Stop(); }

void PeerProcess::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}
