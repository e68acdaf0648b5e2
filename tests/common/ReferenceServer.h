#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/common/TempDir.h"

extern char** environ;

// The reference search server as a program, on a free loopback port, over a
// copy of the small hand-written base "SMALL" of tests/server/data/small
// (the server indexes it beside the copy), or over its own generated sample
// base "SAMPLE" (2,000 documents) with Base::kSample. Started by the
// constructor, which reads the servlet URL from the server's first line;
// stopped by the destructor.
class ReferenceServer {
 public:
  enum class Base { kSmall, kSample };

  explicit ReferenceServer(std::vector<std::string> extraArguments = {},
                           Base served = Base::kSmall) {
    std::vector<std::string> arguments = {SORREL_SERVER_BINARY, "--port", "0"};
    if (served == Base::kSmall) {
      std::filesystem::copy(SORREL_SOURCE_DIR "/tests/server/data/small", folder_.path() / "small",
                            std::filesystem::copy_options::recursive);
      std::filesystem::remove(folder_.path() / "small" / "index.sqlite");
      arguments.insert(arguments.end(), {"--base", (folder_.path() / "small").string()});
    }
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, LogFile().c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned =
        posix_spawn(&pid_, SORREL_SERVER_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
      ::close(out[0]);
      throw std::runtime_error("cannot start sorrel-server");
    }
    output_ = ::fdopen(out[0], "r");
    char line[512] = {};
    if (output_ == nullptr || std::fgets(line, sizeof line, output_) == nullptr) {
      Stop();
      throw std::runtime_error("sorrel-server printed no URL");
    }
    servlet_ = line;
    while (!servlet_.empty() && servlet_.back() == '\n') servlet_.pop_back();
  }
  ~ReferenceServer() { Stop(); }
  ReferenceServer(const ReferenceServer&) = delete;
  ReferenceServer& operator=(const ReferenceServer&) = delete;

  // "http://127.0.0.1:PORT/sorrel/Search"
  const std::string& Servlet() const { return servlet_; }
  // "http://127.0.0.1:PORT/sorrel/"
  std::string Root() const { return servlet_.substr(0, servlet_.size() - 6); }
  pid_t Pid() const { return pid_; }
  // The file that receives the server's standard error, its request log.
  std::string LogFile() const { return (folder_.path() / "server.log").string(); }
  // The servlet URL with a user and password written into it.
  std::string ServletAs(const std::string& user, const std::string& password) const {
    const size_t host = servlet_.find("://") + 3;
    return servlet_.substr(0, host) + user + ":" + password + "@" + servlet_.substr(host);
  }

 private:
  void Stop() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
    }
    if (output_ != nullptr) {
      std::fclose(output_);
      output_ = nullptr;
    }
  }

  TempDir folder_;
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
  std::string servlet_;
};
