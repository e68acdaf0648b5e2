#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "server/Answer.h"
#include "server/LoginThrottle.h"
#include "server/PatentBase.h"
#include "server/PatentRegister.h"
#include "server/RequestParams.h"
#include "server/ServletOperations.h"
#include "server/SessionTable.h"
#include "server/UserDirectory.h"

// The client's session protocol, apart from HTTP: login and logout, the
// servlet behind a session check (with the error pages that end a session),
// the login-free XML-server variant (when turned on), the register and the
// small HTML pages.
// It owns the bases, the users and the open sessions. Route is thread-safe.
class ServerProtocol {
 public:
  struct Settings {
    std::string root;                       // path of every endpoint, "/.../"
    std::string usersFile;                  // profile file of users
    std::vector<std::string> bases;         // base folders
    std::chrono::seconds sessionTimeout{};  // idle time that ends a session
    std::chrono::seconds sessionLifetime{28800};  // time after login that ends a session
    size_t maxRecords = 0;                  // most records in one answer
    bool xmlServer = false;                 // serve the login-free variants
    LoginThrottle::Limits logins;           // how password guessing is slowed
  };

  explicit ServerProtocol(Settings settings);
  ServerProtocol(const ServerProtocol&) = delete;
  ServerProtocol& operator=(const ServerProtocol&) = delete;

  // Reads the users and opens the bases (indexing them when needed). False
  // with `error` set on the first that fails.
  bool Open(std::string& error);
  // Answers a request for `path` (below the root) with its parameters, its
  // session cookie's value (empty when it sent none) and the client's
  // address. Every failure becomes an error answer; none escapes.
  void Route(const std::string& path, const RequestParams& params, const std::string& cookie,
             const std::string& address, Answer& answer);

 private:
  void Authenticate(const RequestParams& params, const std::string& address, Answer& answer);
  void Servlet(const RequestParams& params, const std::string& cookie, Answer& answer);

  Settings settings_;
  UserDirectory users_;
  std::vector<std::unique_ptr<PatentBase>> bases_;
  SessionTable sessions_;
  ServletOperations operations_;
  PatentRegister register_;
  LoginThrottle logins_;
};
