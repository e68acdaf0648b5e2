#include "tests/servers/SquidProxy.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "tests/common/LoopbackPort.h"

namespace {

constexpr const char* kProgram = "/usr/sbin/squid";
constexpr const char* kHelper = "/usr/lib/squid/basic_ncsa_auth";

// The MD5-crypt hash of `password`, as the NCSA helper reads it.
std::string CryptHash(const std::string& password) {
  const std::string command = "openssl passwd -1 -salt sorrelts '" + password + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("openssl passwd could not be run");
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  ::pclose(pipe);
  std::string hash = read ? line : "";
  while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r')) hash.pop_back();
  if (hash.empty()) throw std::runtime_error("openssl passwd gave no hash");
  return hash;
}

}  // namespace

bool SquidProxy::Available() {
  return PeerProcess::Installed(kProgram) && PeerProcess::Installed(kHelper);
}

SquidProxy::SquidProxy(const std::string& user, const std::string& password) {
  port_ = FreeLoopbackPort();
  const std::string folder = folder_.path().string();
  WriteBytes(folder_.File("passwd"), user + ":" + CryptHash(password) + "\n");
  std::string text = "http_port 127.0.0.1:" + std::to_string(port_) + "\npid_filename " + folder +
                     "/squid.pid\ncache_log " + folder + "/cache.log\naccess_log stdio:" + folder +
                     "/access.log\ncoredump_dir " + folder + "\nauth_param basic program " +
                     kHelper + " " + folder + "/passwd\n";
  text +=
      "auth_param basic realm sorrel-test\n"
      "acl loopback src 127.0.0.1\n"
      "acl users proxy_auth REQUIRED\n"
      "http_access deny !loopback\n"
      "http_access allow users\n"
      "http_access deny all\n"
      "buffered_logs off\n"
      "cache deny all\n"
      "cache_mem 4 MB\n"
      "netdb_filename none\n"
      "pinger_enable off\n"
      "shutdown_lifetime 0 seconds\n";
  // As root squid runs as its own user, which must write the logs here.
  if (::geteuid() == 0) {
    if (const passwd* account = ::getpwnam("proxy")) {
      text += "cache_effective_user proxy\n";
      if (::chown(folder.c_str(), account->pw_uid, account->pw_gid) != 0) {
        throw std::runtime_error("cannot give the squid folder to the proxy user");
      }
    }
  }
  WriteBytes(folder_.File("squid.conf"), text);
  process_ = std::make_unique<PeerProcess>(
      std::vector<std::string>{kProgram, "-N", "-f", folder_.File("squid.conf")},
      folder_.File("console.log"), std::vector<int>{port_});
}

std::string SquidProxy::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string SquidProxy::AccessLog() const { return ReadBytes(folder_.File("access.log")); }
