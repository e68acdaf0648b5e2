#pragma once

#include <functional>
#include <string>
#include <vector>

#include "iac/IacListener.h"
#include "iac/InternetAccessController.h"
#include "session/ServerEvent.h"

// The engine's ear on a server's session: every event of the controller
// becomes a ServerEvent, kept in order and handed to the owner as it comes;
// the user's credentials are given when the server asks for them, once: a
// second request (the credentials were refused) is declined, which ends that
// login. Lives as long as the controller that calls it; one thread.
class SessionListener : public IacListener {
 public:
  // Gives the user name and password the first time the server asks for
  // them; false when there is no user (nothing is then offered).
  using CredentialSource = std::function<bool(std::string& user, std::string& password)>;
  // Receives each event as it comes.
  using EventHandler = std::function<void(const ServerEvent& event)>;

  // Either may be empty: no credentials, events only kept.
  SessionListener(CredentialSource credentials, EventHandler handler);

  bool GetAuthentication(HttpRequest& request, CString& userName, CString& password) override;
  bool GetProxyAuthentication(HttpRequest& request, CString& userName, CString& password) override;
  void OnUnknownAuthorityAccepted(HttpRequest& request) override;
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

  // After the session was open: a later login (of a lost session) may offer
  // the same credentials again, without asking the user twice.
  void Rearm() { credentialsOffered_ = false; }

  // Adds the engine's event kLoggedIn: an operation went through after the
  // server asked for a login.
  void LoggedIn();

  // The user name offered to the server, "" before any.
  const std::string& user() const { return user_; }
  // A refusal of the login came after the credentials were last offered, or
  // there were no credentials to offer.
  bool refused() const { return refused_; }
  // Every event so far, in order.
  const std::vector<ServerEvent>& events() const { return events_; }

 private:
  void Event(ServerEvent::Kind kind, std::string text, std::string failure = "",
             unsigned long status = 0);

  CredentialSource credentials_;
  EventHandler handler_;
  std::vector<ServerEvent> events_;
  bool credentialsOffered_ = false;  // the user's credentials were given once
  std::string user_;                 // the credentials once known
  std::string secret_;
  bool refused_ = false;  // see refused()
};
