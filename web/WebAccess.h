#pragma once

#include <string>

// Who may use the desk's HTTP server. Any page in the user's browser can
// reach a loopback port, so every request must carry the run's secret (in
// the printed address once, then in an HttpOnly, SameSite=Strict cookie),
// name the loopback address and the port in its Host header (no DNS
// rebinding), and a request that changes state must come from the page's own
// origin. A value; never fails.
class WebAccess {
 public:
  // What a request is let do.
  enum class Verdict {
    kAllowed,        // the cookie carries the secret
    kLetIn,          // a GET with the secret in its address: set the cookie, drop the secret
    kForbidden,      // no secret
    kWrongHost,      // the Host header names another host or port
    kForeignOrigin,  // a state-changing request from another origin (or none)
  };

  // What the judge reads of a request.
  struct Request {
    std::string method;  // "GET", "POST", ...
    std::string host;    // the Host header
    std::string origin;  // the Origin header, "" when absent
    std::string cookie;  // the Cookie header, "" when absent
    std::string secret;  // the address's "k" parameter, "" when absent
  };

  // The server listens on 127.0.0.1:`port`; `secret` is the run's.
  WebAccess(int port, std::string secret);

  // A new random secret: 32 hex digits from the kernel's random source.
  // Throws std::runtime_error when the source gives nothing.
  static std::string NewSecret();

  Verdict Judge(const Request& request) const;
  // The Set-Cookie header's value that carries the secret.
  std::string Cookie() const;
  // The address to print: the page, with the secret.
  std::string Address() const;
  const std::string& secret() const { return secret_; }

 private:
  bool HostIsOurs(const std::string& host) const;
  bool CookieHasSecret(const std::string& cookie) const;
  bool SameSecret(const std::string& given) const;

  int port_;
  std::string secret_;
};
