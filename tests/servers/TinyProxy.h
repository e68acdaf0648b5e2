#pragma once

#include <memory>
#include <string>

#include "tests/common/TempDir.h"
#include "tests/servers/PeerProcess.h"

// A real forward proxy that demands credentials: tinyproxy with basic
// authentication on a free 127.0.0.1 port, started in the foreground by the
// constructor and stopped by the destructor. Only loopback clients and
// loopback destinations are served.
class TinyProxy {
 public:
  // True when the tinyproxy program is installed.
  static bool Available();

  TinyProxy(const std::string& user, const std::string& password);
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT", for the proxy environment variables.
  std::string Url() const;
  // The proxy's log, for a failing test to show.
  std::string Log() const;

 private:
  TempDir folder_;
  int port_ = 0;
  std::unique_ptr<PeerProcess> process_;
};
