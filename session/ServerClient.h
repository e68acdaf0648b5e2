#pragma once

#include <functional>
#include <string>
#include <vector>

#include "net/IacListener.h"
#include "net/InternetAccessController.h"
#include "net/ProxyAuthenticator.h"
#include "platform/MessageBox.h"

// What the server commands of the tool share: the options every one takes,
// a listener that shows each session event on standard error and answers the
// credential requests, and the exit statuses.
struct ServerOptions {
  std::string url;    // the servlet URL of the search server
  std::string user;   // user name; else SORREL_USER
  bool json = false;  // one JSON object on standard output
  // The password when the caller already knows it (a bundled server's demo
  // account); else SORREL_PASSWORD or a prompt. Not an option of the tool.
  std::string password;
};

// The operations leave their output untouched when nothing arrived; an
// output that still holds kUndelivered (a NUL byte no answer starts with)
// received nothing, while an empty 200 answer counts as delivered.
extern const CString kUndelivered;
bool Delivered(const CString& output);

// Keeps the text of the transport's failure message boxes while it lives,
// instead of showing them (the session shows a failed exchange in one); the
// previous handler comes back at its end. One at a time, on the caller's thread.
class TransportFailures {
 public:
  TransportFailures();
  ~TransportFailures();
  TransportFailures(const TransportFailures&) = delete;
  TransportFailures& operator=(const TransportFailures&) = delete;

  // The latest failure text without its line end; "" when none came since Clear().
  const std::string& last() const { return last_; }
  void Clear() { last_.clear(); }

 private:
  MessageBoxHandler previous_;
  std::string last_;
};

// Exit statuses of the commands that talk to a server.
constexpr int kExitDelivered = 0;     // a 200 answer
constexpr int kExitLoginRefused = 2;  // authentication refused or declined
constexpr int kExitNoAnswer = 3;      // no status came back
constexpr int kExitOtherAnswer = 4;   // any other status, or a login answer that is not XML

// Proxy credentials from SORREL_PROXY_USER and SORREL_PROXY_PASSWORD.
class EnvironmentProxyAuthenticator : public ProxyAuthenticator {
 public:
  CString GetProxyUserName() override;
  CString GetProxyPassword() override;
};

// Shows every event as a line on standard error (and keeps it for --json);
// gives the user's credentials when the server asks for them, once: the
// session treats a second offer of the same credentials as giving up.
class ToolListener : public IacListener {
 public:
  // Receives each event's name and text instead of standard error.
  using EventSink = std::function<void(const std::string& name, const std::string& text)>;

  explicit ToolListener(const ServerOptions& options, EventSink sink = nullptr);

  bool GetAuthentication(HttpRequest& request, CString& userName, CString& password) override;
  bool GetProxyAuthentication(HttpRequest& request, CString& userName, CString& password) override;
  void OnConnectionFailed(InternetAccessController& controller) override;
  void OnAuthenticationFailed(InternetAccessController& controller) override;
  void OnAccessDenied(InternetAccessController& controller) override;
  void OnAccountDisabled(InternetAccessController& controller) override;
  void OnCustomerAccountDisabled(InternetAccessController& controller) override;
  void OnCustomerSubscriptionExpired(InternetAccessController& controller) override;
  void OnAccountValidationRequired(InternetAccessController& controller) override;
  void OnPreviousSessionClosed(InternetAccessController& controller) override;
  void OnErrorCode(InternetAccessController& controller, unsigned long statusCode) override;
  void OnSharingAccountException(InternetAccessController& controller) override;
  void OnSessionHasExpired(InternetAccessController& controller) override;
  void OnUnauthenticatedUser(InternetAccessController& controller) override;
  void OnPasswordExpired(InternetAccessController& controller) override;

  // After the session was open: a later login (of an expired session) may
  // offer the same credentials again, without asking the user twice.
  void Rearm() { credentialsOffered_ = false; }

  // The user name offered to the server, "" before any.
  const std::string& user() const { return user_; }
  bool connectionFailed() const { return connectionFailed_; }
  bool refused() const { return refused_; }
  const std::vector<std::string>& events() const { return events_; }

 private:
  void Event(const std::string& name, const std::string& text, bool refusal);

  const ServerOptions& options_;
  EventSink sink_;
  std::vector<std::string> events_;  // event names, in order
  bool credentialsOffered_ = false;  // the user's credentials were given once
  std::string user_;                 // the credentials once known
  std::string secret_;
  bool connectionFailed_ = false;  // a login got no status
  bool refused_ = false;           // the server refused the login
};
