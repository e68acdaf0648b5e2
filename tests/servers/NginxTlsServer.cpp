#include "tests/servers/NginxTlsServer.h"

#include <unistd.h>

#include "tests/common/LoopbackPort.h"

namespace {

constexpr const char* kProgram = "/usr/sbin/nginx";

}  // namespace

bool NginxTlsServer::Available() { return PeerProcess::Installed(kProgram); }

NginxTlsServer::NginxTlsServer(const std::vector<std::string>& certificateFiles,
                               const std::string& keyFile, const std::string& upstream) {
  const std::string folder = folder_.path().string();
  const std::string answer =
      upstream.empty() ? "return 200 \"OK\";" : "proxy_pass " + upstream + ";";
  std::string servers;
  for (const std::string& certificate : certificateFiles) {
    ports_.push_back(FreeLoopbackPort());
    servers += "  server {\n    listen 127.0.0.1:" + std::to_string(ports_.back()) +
               " ssl;\n    ssl_certificate " + certificate + ";\n    ssl_certificate_key " +
               keyFile + ";\n    location / { " + answer + " }\n  }\n";
  }
  std::string text = "daemon off;\nworker_processes 1;\npid " + folder + "/nginx.pid;\nerror_log " +
                     folder + "/error.log;\n";
  if (::geteuid() == 0) text += "user nobody nogroup;\n";
  text += "events { worker_connections 64; }\nhttp {\n  access_log off;\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    text += std::string("  ") + kind + "_temp_path " + folder + "/" + kind + ";\n";
  }
  WriteBytes(folder_.File("nginx.conf"), text + servers + "}\n");
  process_ = std::make_unique<PeerProcess>(
      std::vector<std::string>{kProgram, "-p", folder + "/", "-e", folder + "/error.log", "-c",
                               folder_.File("nginx.conf")},
      folder_.File("console.log"), ports_);
}

std::string NginxTlsServer::Url(size_t index) const {
  return "https://127.0.0.1:" + std::to_string(ports_.at(index)) + "/";
}

std::string NginxTlsServer::Log() const { return ReadBytes(folder_.File("error.log")); }
