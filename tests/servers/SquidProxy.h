#pragma once

#include <memory>
#include <string>

#include "tests/common/TempDir.h"
#include "tests/servers/PeerProcess.h"

// squid as a forward proxy on a free 127.0.0.1 port that demands basic
// authentication (one user, checked by squid's NCSA helper) and caches
// nothing. Its configuration, password file, logs and pid live in a
// temporary folder; it runs as the proxy user when the test runs as root.
class SquidProxy {
 public:
  static bool Available();

  SquidProxy(const std::string& user, const std::string& password);

  // "http://127.0.0.1:PORT", for the proxy environment variables.
  std::string Url() const;
  // The access log (one line per request with its status and user).
  std::string AccessLog() const;

 private:
  TempDir folder_;
  int port_ = 0;
  std::unique_ptr<PeerProcess> process_;
};
