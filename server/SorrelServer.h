#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ServerProtocol;

namespace httplib {
class Server;
class ContentReader;
struct Request;
struct Response;
}  // namespace httplib

// The reference search server: the HTTP(S) side of the client's session
// protocol (ServerProtocol), over the bases it was given. It listens, reads
// request parameters and the session cookie, guards paths with basic
// authentication, refuses bodies that are too large and logs one line per
// request. Only GET and POST are served, every body is bounded whatever its
// framing, and slow or greedy clients are cut off (SorrelServerHttp). One
// object serves one listening socket; handlers run on a thread pool.
class SorrelServerHttp;

class SorrelServer {
 public:
  struct Options {
    std::string host = "127.0.0.1";
    int port = 0;                                 // 0: any free port
    std::string root = "/sorrel/";                // path of every endpoint
    std::vector<std::string> bases;               // base folders
    std::string usersFile;                        // profile file of users
    std::chrono::seconds sessionTimeout{1800};    // idle time that ends a session
    std::chrono::seconds sessionLifetime{28800};  // time after login that ends a session
    std::chrono::seconds headerTimeout{10};       // request line and headers, in total
    size_t perAddress = 0;                        // workers one client address may hold; 0: 3/4 of threads
    std::string tlsCert, tlsKey;                  // PEM files; both set: HTTPS
    size_t threads = 16;                          // worker threads
    size_t maxBody = 4 * 1024 * 1024;             // largest request body, bytes
    size_t maxRecords = 1000;                     // most records in one answer
    std::string guardPath;                        // paths under it need basic auth
    std::string guardUser, guardPassword;         // the basic-auth credentials
    // Serve the login-free search.cgi, getfile.cgi and XMLServerUserRequest.
    bool xmlServer = false;
    // Past three failed logins in a row the user and the address wait
    // `loginDelay`, doubled at each further failure; `lockoutFailures` in a
    // row lock them for `lockoutTime`.
    std::chrono::milliseconds loginDelay{1000};
    size_t lockoutFailures = 10;
    std::chrono::seconds lockoutTime{900};
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
  bool CreateHttp(std::string& error);
  void InstallRoutes();
  void InstallReports();
  bool Bind(std::string& error);
  // Refuses, before any body is read, what the server does not serve.
  bool Refused(const httplib::Request& request, httplib::Response& response);
  bool Guarded(const httplib::Request& request, httplib::Response& response);
  void HandlePost(const httplib::Request& request, httplib::Response& response,
                  const httplib::ContentReader& reader);
  void Handle(const httplib::Request& request, httplib::Response& response,
              const std::string& body);
  void Log(const std::string& line);

  Options options_;
  std::unique_ptr<SorrelServerHttp> http_;
  std::unique_ptr<ServerProtocol> protocol_;
  std::mutex logMutex_;
  int port_ = 0;
  bool tls_ = false;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> serving_{false};
};
