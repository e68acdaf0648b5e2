#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/common/TempDir.h"
#include "tests/servers/PeerProcess.h"

// nginx terminating TLS on free 127.0.0.1 ports, one port per certificate,
// all with one key; every request (any method) is answered 200 "OK", or
// passed on to `upstream` ("http://127.0.0.1:PORT") when one is given. Runs
// with its own configuration, logs, pid and temporary files in a temporary
// folder; its workers run as nobody when the test runs as root.
class NginxTlsServer {
 public:
  static bool Available();

  NginxTlsServer(const std::vector<std::string>& certificateFiles, const std::string& keyFile,
                 const std::string& upstream = "");

  // "https://127.0.0.1:PORT/" of the index-th certificate.
  std::string Url(size_t index) const;
  // The error log, for a failing test to show.
  std::string Log() const;

 private:
  TempDir folder_;
  std::vector<int> ports_;
  std::unique_ptr<PeerProcess> process_;
};
