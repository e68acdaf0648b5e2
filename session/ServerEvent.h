#pragma once

#include <string>

// One thing the server's session made known during an operation (a login
// refused, a session expired, no answer at all), or that the engine adds (a
// login that went through after the server asked for one). A value: its
// kind, a readable text, and for a login that got no answer the transport's
// failure text.
struct ServerEvent {
  enum class Kind {
    kProxyAuthenticationRequired,  // the proxy refused the environment's credentials
    kConnectionFailed,             // a login got no HTTP status
    kLoginRequested,               // the server asks for a login: no failure, credentials follow
    kAuthenticationFailed,         // the server refused the user's credentials
    kAccessDenied,
    kAccountDisabled,
    kCustomerAccountDisabled,
    kCustomerSubscriptionExpired,
    kAccountValidationRequired,
    kPreviousSessionClosed,
    kErrorCode,  // the login request got a status other than 200 (`status`): no search server there
    kSharingAccount,
    kSessionExpired,
    kUnauthenticatedUser,
    kPasswordExpired,
    kLoggedIn,                  // added by the engine
    kUnknownAuthorityAccepted,  // a certificate of an unknown authority was let through
  };

  Kind kind;
  std::string text;          // what the user reads
  std::string failure;       // kConnectionFailed: the transport's failure text, else ""
  unsigned long status = 0;  // kErrorCode: the HTTP status of the login request

  // The event's name in the programs' output, such as "sessionExpired".
  const char* Name() const;
  // The server refused the login: the session cannot go on with these
  // credentials. A login request answered with another status (kErrorCode)
  // is no refusal: there is no search server at the URL.
  bool RefusesLogin() const;
  // The server no longer knows the session: a new login may repeat the operation.
  bool LosesSession() const;
};
