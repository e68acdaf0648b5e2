#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

// One request as the server received it.
struct RecordedRequest {
  std::string method;                                        // "POST", "GET", ...
  std::string target;                                        // path and query as sent
  std::vector<std::pair<std::string, std::string>> headers;  // in arrival order
  std::string body;                                          // the exact body bytes
  int remotePort = 0;  // the client's port: equal ports mean one reused connection

  // The first header of that name (any case), empty when absent.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

// What the server answers to one request.
struct ScriptedAnswer {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;  // e.g. Set-Cookie, WWW-Authenticate
  std::string body;
  std::string contentType = "text/plain";

  // The login answer of a search server that lets the user in and opens the
  // session with the cookie JSESSIONID=abc.
  static ScriptedAnswer OpenSession() {
    return {200,
            {{"Set-Cookie", "JSESSIONID=abc; Path=/"}},
            "<authentication><authenticated>true</authenticated>"
            "<accountEnabled>true</accountEnabled>"
            "<customerAccountEnabled>true</customerAccountEnabled>"
            "<customerSubscriptionValid>true</customerSubscriptionValid>"
            "<passwordExpired>false</passwordExpired>"
            "<accountValidationRequired>false</accountValidationRequired>"
            "</authentication>",
            "text/xml"};
  }
};

// A real HTTP/1.1 server (cpp-httplib) on a free 127.0.0.1 port, plain or
// TLS, that records every request and answers from a script: queued answers
// first, one per request, then the handler (by default: 200 with body "OK").
// Keeps connections alive. Stops in its destructor.
class ScriptedHttpServer {
 public:
  using Handler = std::function<ScriptedAnswer(const RecordedRequest&)>;

  // Plain HTTP on 127.0.0.1.
  ScriptedHttpServer();
  // Plain HTTP on another loopback address ("::1"); throws when it cannot be bound.
  explicit ScriptedHttpServer(const std::string& host);
  // HTTPS with the certificate chain and key in these PEM files.
  ScriptedHttpServer(const std::string& certificateFile, const std::string& keyFile);
  ~ScriptedHttpServer();
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  int Port() const { return port_; }
  // "http://HOST:PORT" + path (https for a TLS server; an IPv6 host in brackets).
  std::string Url(const std::string& path = "/") const;

  void Enqueue(ScriptedAnswer answer);
  void SetHandler(Handler handler);
  std::vector<RecordedRequest> Requests() const;

 private:
  void Start();

  std::unique_ptr<httplib::Server> server_;
  bool tls_ = false;
  std::string host_ = "127.0.0.1";
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;  // guards the members below
  std::vector<RecordedRequest> requests_;
  std::vector<ScriptedAnswer> queue_;
  Handler handler_;
};
