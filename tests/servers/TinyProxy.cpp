#include "tests/servers/TinyProxy.h"

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

#include "tests/common/LoopbackPort.h"

extern char** environ;

namespace {

constexpr const char* kProgram = "/usr/bin/tinyproxy";

bool Accepts(int port) {
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

}  // namespace

bool TinyProxy::Available() { return ::access(kProgram, X_OK) == 0; }

TinyProxy::TinyProxy(const std::string& user, const std::string& password) {
  port_ = FreeLoopbackPort();
  const std::string configuration = folder_.File("tinyproxy.conf");
  std::string text = "Port " + std::to_string(port_) +
                     "\n"
                     "Listen 127.0.0.1\n"
                     "Timeout 30\n"
                     "MaxClients 20\n"
                     "Allow 127.0.0.1\n"
                     "BasicAuth " +
                     user + " " + password +
                     "\n"
                     "DisableViaHeader Yes\n"
                     "LogLevel Info\n";
  if (::geteuid() == 0) text += "User nobody\nGroup nogroup\n";
  WriteBytes(configuration, text);
  const char* arguments[] = {kProgram, "-d", "-c", configuration.c_str(), nullptr};
  // Without a log file tinyproxy logs to standard output, which goes to the
  // log file opened here, before it drops its privileges.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, folder_.File("tinyproxy.log").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int spawned =
      ::posix_spawn(&pid_, kProgram, &actions, nullptr, const_cast<char**>(arguments), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("tinyproxy could not be started");
  for (int i = 0; i < 500 && !Accepts(port_); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!Accepts(port_)) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("tinyproxy did not start listening: " + Log());
  }
}

TinyProxy::~TinyProxy() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string TinyProxy::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string TinyProxy::Log() const { return ReadBytes(folder_.File("tinyproxy.log")); }
