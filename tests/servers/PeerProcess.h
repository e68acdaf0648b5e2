#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A third-party server program run by a test: started in the foreground
// with its standard output and error in `logFile`, waited for until each of
// `ports` on 127.0.0.1 accepts connections (ten seconds at most, else it is
// stopped and the constructor throws with the log), and stopped with
// SIGTERM and reaped by the destructor.
class PeerProcess {
 public:
  PeerProcess(const std::vector<std::string>& arguments, const std::string& logFile,
              const std::vector<int>& ports);
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // Whether `program` exists and may be run.
  static bool Installed(const std::string& program);
  // True when a connection to `port` on 127.0.0.1 is accepted.
  static bool Accepts(int port);

 private:
  void Stop();

  pid_t pid_ = -1;
};
