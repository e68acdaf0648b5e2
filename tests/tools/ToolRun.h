#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/TempDir.h"

// What one run of the sorrel program did: its exit status (128 + the signal
// when one ended it, -1 when it ran over its time) and its two outputs.
struct ToolRun {
  int exit = -1;
  std::string out;
  std::string err;
};

// Runs the tool in `folder` with `arguments` and the test's environment, its
// standard input empty; one still running after 60 s is killed and fails.
inline ToolRun RunTool(std::vector<std::string> arguments,
                       const std::filesystem::path& folder = std::filesystem::current_path()) {
  const TempDir capture;
  const std::string outPath = capture.File("out"), errPath = capture.File("err");
  arguments.insert(arguments.begin(), SORREL_TOOL_BINARY);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return {};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadBytes(outPath),
          ReadBytes(errPath)};
}
