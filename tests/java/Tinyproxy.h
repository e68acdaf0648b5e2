#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/common/LoopbackPort.h"
#include "tests/common/TempDir.h"

extern char** environ;

// A tinyproxy on a free loopback port that demands Basic credentials, run in
// the foreground from its own configuration and stopped with the object.
class Tinyproxy {
 public:
  Tinyproxy(const std::string& program, const std::string& user, const std::string& password)
      : port_(FreeLoopbackPort()) {
    const std::string config = dir_.File("tinyproxy.conf");
    WriteBytes(config, "Port " + std::to_string(port_) +
                           "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nAllow 127.0.0.1\n"
                           "LogLevel Critical\nLogFile \"" +
                           dir_.File("tinyproxy.log") + "\"\nBasicAuth " + user + " " + password +
                           "\n");
    const char* argv[] = {program.c_str(), "-d", "-c", config.c_str(), nullptr};
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ) !=
        0) {
      throw std::runtime_error("cannot start " + program);
    }
    for (int attempt = 0; attempt < 100 && !Accepting(); ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!Accepting()) throw std::runtime_error("tinyproxy did not start");
  }
  ~Tinyproxy() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Tinyproxy(const Tinyproxy&) = delete;
  Tinyproxy& operator=(const Tinyproxy&) = delete;

  int port() const { return port_; }

 private:
  bool Accepting() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
  }

  TempDir dir_;
  int port_;
  pid_t pid_ = 0;
};
