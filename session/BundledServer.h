#pragma once

#include <sys/types.h>

#include <string>

// The reference search server started as a child process on a free loopback
// port, serving its sample base, for a session that names no server. The
// program "sorrel-server" is looked for beside the running tool.
class BundledServer {
 public:
  BundledServer() = default;
  // Stops the server if it still runs.
  ~BundledServer();
  BundledServer(const BundledServer&) = delete;
  BundledServer& operator=(const BundledServer&) = delete;

  // Starts the server with its request log going to `logPath`; false with the
  // reason in `error` when the program is missing, does not start, or does
  // not print its URL within 60 seconds (a first start writes the base).
  bool Start(const std::string& logPath, std::string& error);
  // The servlet URL that the server printed.
  const std::string& url() const { return url_; }
  // Sends SIGTERM and waits for the process; nothing when none runs.
  void Stop();

 private:
  // Forks and runs `program` with its standard output on `out` and its
  // standard error on `log`; the child's pid, -1 when fork failed.
  static pid_t Spawn(const std::string& program, int out, int log);
  // The first line read from `in` within the start time, without its line
  // end; "" when none came whole.
  static std::string FirstLine(int in);

  pid_t pid_ = -1;   // the child, -1 when none runs
  std::string url_;  // its servlet URL
};
