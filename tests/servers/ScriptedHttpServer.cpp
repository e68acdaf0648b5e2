#include "tests/servers/ScriptedHttpServer.h"

#include <httplib.h>
#include <strings.h>

#include <chrono>
#include <stdexcept>

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  }
  return std::string();
}

bool RecordedRequest::HasHeader(const std::string& name) const {
  for (const auto& header : headers) {
    if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

ScriptedHttpServer::ScriptedHttpServer() : server_(std::make_unique<httplib::Server>()) { Start(); }

ScriptedHttpServer::ScriptedHttpServer(const std::string& host)
    : server_(std::make_unique<httplib::Server>()), host_(host) {
  Start();
}

ScriptedHttpServer::ScriptedHttpServer(const std::string& certificateFile,
                                       const std::string& keyFile)
    : server_(std::make_unique<httplib::SSLServer>(certificateFile.c_str(), keyFile.c_str())),
      tls_(true) {
  if (!server_->is_valid()) throw std::runtime_error("TLS server: bad certificate or key");
  Start();
}

void ScriptedHttpServer::Start() {
  handler_ = [](const RecordedRequest&) {
    ScriptedAnswer answer;
    answer.body = "OK";
    return answer;
  };
  auto serve = [this](const httplib::Request& request, httplib::Response& response) {
    RecordedRequest record;
    record.method = request.method;
    record.target = request.target;
    record.body = request.body;
    record.remotePort = request.remote_port;
    for (const auto& header : request.headers) record.headers.push_back(header);
    ScriptedAnswer answer;
    Handler handler;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(record);
      if (!queue_.empty()) {
        answer = queue_.front();
        queue_.erase(queue_.begin());
      } else {
        handler = handler_;
      }
    }
    if (handler) answer = handler(record);
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers) response.headers.emplace(name, value);
    response.set_content(answer.body, answer.contentType.c_str());
  };
  // Connections stay open for reuse, but only for a second of silence: the
  // server's destructor waits for open connections to time out.
  server_->set_keep_alive_timeout(1);
  server_->set_keep_alive_max_count(100000);
  // A request's body may follow its headers only after the client's own
  // one-second wait for "100 Continue" (a proxy forwards no such answer), so
  // reading waits longer than that; a read that times out answers 400.
  server_->set_read_timeout(5);
  // Headers and body leave in separate writes: without this, each answer
  // would wait for the client's delayed acknowledgement.
  server_->set_tcp_nodelay(true);
  server_->Get(".*", serve);
  server_->Post(".*", serve);
  server_->Put(".*", serve);
  port_ = server_->bind_to_any_port(host_);
  if (port_ <= 0) throw std::runtime_error("test server: no port on " + host_);
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only reaches a server whose accept loop runs.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ScriptedHttpServer::~ScriptedHttpServer() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string ScriptedHttpServer::Url(const std::string& path) const {
  const std::string host = host_.find(':') == std::string::npos ? host_ : "[" + host_ + "]";
  return std::string(tls_ ? "https" : "http") + "://" + host + ":" + std::to_string(port_) + path;
}

void ScriptedHttpServer::Enqueue(ScriptedAnswer answer) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(answer));
}

void ScriptedHttpServer::SetHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<RecordedRequest> ScriptedHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}
