#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/PatentBase.h"
#include "server/SessionTable.h"
#include "server/UserDirectory.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// The reference search server: the client's session protocol (login,
// logout, the servlet's operations, the error pages that end a session), the
// login-free XML-server variant and the patent register, over the bases it
// was given. One object serves one listening socket; handlers run on a
// thread pool.
class SorrelServer {
 public:
  struct Options {
    std::string host = "127.0.0.1";
    int port = 0;                                 // 0: any free port
    std::string root = "/sorrel/";                // path of every endpoint
    std::vector<std::string> bases;               // base folders
    std::string usersFile;                        // profile file of users
    std::chrono::seconds sessionTimeout{1800};    // idle time that ends a session
    std::string tlsCert, tlsKey;                  // PEM files; both set: HTTPS
    size_t threads = 16;                          // worker threads
    size_t maxBody = 4 * 1024 * 1024;             // largest request body, bytes
    size_t maxRecords = 1000;                     // most records in one answer
    std::string guardPath;                        // paths under it need basic auth
    std::string guardUser, guardPassword;         // the basic-auth credentials
    std::function<void(const std::string&)> log;  // one line per request; null: stderr
  };

  SorrelServer();
  ~SorrelServer();
  SorrelServer(const SorrelServer&) = delete;
  SorrelServer& operator=(const SorrelServer&) = delete;

  // Opens the bases and users and binds the socket; ignores SIGPIPE for the
  // whole process. False with `error` set.
  bool Start(const Options& options, std::string& error);
  // Serves until Stop(); false when the server could not listen.
  bool Serve();
  // Makes Serve return; safe from any thread, also before Serve runs.
  void Stop();
  int Port() const { return port_; }
  // The servlet's URL, e.g. "http://127.0.0.1:8080/sorrel/Search".
  std::string ServletUrl() const;

 private:
  struct Answer {
    int status = 200;
    std::string contentType = "text/plain; charset=windows-1252";
    std::string body;
    std::string cookie;  // a JSESSIONID value to set
  };
  using Params = std::multimap<std::string, std::string>;

  static void Fail(Answer& answer, int status, const std::string& exception,
                   const std::string& message);
  void Route(const std::string& path, const Params& params, const std::string& cookie,
             Answer& answer);
  void Authenticate(const Params& params, Answer& answer);
  void Servlet(const Params& params, const std::string& session, bool xmlServer, Answer& answer);
  void DatabaseList(Answer& answer);
  void BaseInfo(PatentBase& base, Answer& answer);
  void RunQuestion(PatentBase& base, const Params& params, const std::string& session, bool run,
                   Answer& answer);
  void TextFile(PatentBase& base, const std::string& file, Answer& answer);
  void Register(const Params& params, Answer& answer);
  PatentBase* FindBase(const std::string& name);
  bool Guarded(const httplib::Request& request, httplib::Response& response);
  void Handle(const httplib::Request& request, httplib::Response& response,
              const std::string& body);
  void Log(const std::string& line);

  Options options_;
  std::unique_ptr<httplib::Server> http_;
  std::vector<std::unique_ptr<PatentBase>> bases_;
  UserDirectory users_;
  std::unique_ptr<SessionTable> sessions_;
  std::mutex logMutex_;
  int port_ = 0;
  bool tls_ = false;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> serving_{false};
};
