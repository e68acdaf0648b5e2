#include "tests/servers/TinyProxy.h"

#include <unistd.h>

#include "tests/common/LoopbackPort.h"

namespace {

constexpr const char* kProgram = "/usr/bin/tinyproxy";

}  // namespace

bool TinyProxy::Available() { return PeerProcess::Installed(kProgram); }

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
  // Without a log file tinyproxy logs to standard output, which goes to the
  // log file opened here, before it drops its privileges.
  process_ = std::make_unique<PeerProcess>(
      std::vector<std::string>{kProgram, "-d", "-c", configuration},
      folder_.File("tinyproxy.log"), std::vector<int>{port_});
}

std::string TinyProxy::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string TinyProxy::Log() const { return ReadBytes(folder_.File("tinyproxy.log")); }
