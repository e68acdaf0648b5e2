#include "session/SessionListener.h"

#include <utility>

#include "net/HttpController.h"

using Kind = ServerEvent::Kind;

SessionListener::SessionListener(CredentialSource credentials, EventHandler handler)
    : credentials_(std::move(credentials)), handler_(std::move(handler)) {}

void SessionListener::Event(Kind kind, std::string text, std::string failure,
                            unsigned long status) {
  events_.push_back(ServerEvent{kind, std::move(text), std::move(failure), status});
  if (events_.back().RefusesLogin()) refused_ = true;
  if (handler_) handler_(events_.back());
}

bool SessionListener::GetAuthentication(HttpRequest&, CString& userName, CString& password) {
  if (credentialsOffered_) return false;
  credentialsOffered_ = true;
  if (user_.empty()) {
    std::string user;
    std::string secret;
    if (!credentials_ || !credentials_(user, secret) || user.empty()) {
      refused_ = true;
      return false;
    }
    user_ = user;
    secret_ = secret;
  }
  // The first refusal was of the URL's own (usually empty) credentials: the
  // user's are offered now, and this is no failure of theirs.
  refused_ = false;
  userName = user_.c_str();
  password = secret_.c_str();
  return true;
}

bool SessionListener::GetProxyAuthentication(HttpRequest&, CString&, CString&) {
  Event(Kind::kProxyAuthenticationRequired,
        "the proxy refused the credentials of SORREL_PROXY_USER / SORREL_PROXY_PASSWORD");
  return false;
}

void SessionListener::LoggedIn() { Event(Kind::kLoggedIn, "logged in as " + user_); }

void SessionListener::OnUnknownAuthorityAccepted(HttpRequest&) {
  Event(Kind::kUnknownAuthorityAccepted,
        "warning: the server's certificate comes from an unknown authority, accepted because "
        "SORREL_HTTP_ACCEPT_UNKNOWN_CA is set");
}

void SessionListener::OnConnectionFailed(InternetAccessController& controller) {
  // The failed login was the transport's last exchange: its text says why.
  const CString failure = controller.GetHttpController().GetLastErrorMessage();
  Event(Kind::kConnectionFailed, "no answer from the server",
        std::string(failure.c_str(), failure.GetLength()));
}
void SessionListener::OnAuthenticationFailed(InternetAccessController&) {
  // Before the credentials were offered this is the server's usual first
  // answer to a new session, not a failure of the user's.
  if (credentialsOffered_) {
    Event(Kind::kAuthenticationFailed, "user name or password refused");
  } else {
    Event(Kind::kLoginRequested, "the server asks for a login");
  }
}
void SessionListener::OnAccessDenied(InternetAccessController&) {
  Event(Kind::kAccessDenied, "access denied");
}
void SessionListener::OnAccountDisabled(InternetAccessController&) {
  Event(Kind::kAccountDisabled, "the account is disabled");
}
void SessionListener::OnCustomerAccountDisabled(InternetAccessController&) {
  Event(Kind::kCustomerAccountDisabled, "the customer account is disabled");
}
void SessionListener::OnCustomerSubscriptionExpired(InternetAccessController&) {
  Event(Kind::kCustomerSubscriptionExpired, "the customer's subscription has expired");
}
void SessionListener::OnAccountValidationRequired(InternetAccessController&) {
  Event(Kind::kAccountValidationRequired, "the account must be validated first");
}
void SessionListener::OnPreviousSessionClosed(InternetAccessController&) {
  Event(Kind::kPreviousSessionClosed, "a previous session was closed");
}
void SessionListener::OnErrorCode(InternetAccessController&, unsigned long statusCode) {
  Event(Kind::kErrorCode,
        statusCode == 404 ? "no search server at this URL (the login request got 404 Not Found)"
                          : "the login request was answered with status " +
                                std::to_string(statusCode) + ", not by a search server",
        "", statusCode);
}
void SessionListener::OnSharingAccountException(InternetAccessController&) {
  Event(Kind::kSharingAccount, "the account is in use elsewhere: session closed");
}
void SessionListener::OnSessionHasExpired(InternetAccessController&) {
  Event(Kind::kSessionExpired, "the session has expired");
}
void SessionListener::OnUnauthenticatedUser(InternetAccessController&) {
  Event(Kind::kUnauthenticatedUser, "the server no longer knows this session");
}
void SessionListener::OnPasswordExpired(InternetAccessController&) {
  Event(Kind::kPasswordExpired, "the password has expired");
}
