#include "session/ServerEvent.h"

const char* ServerEvent::Name() const {
  switch (kind) {
    case Kind::kProxyAuthenticationRequired:
      return "proxyAuthenticationRequired";
    case Kind::kConnectionFailed:
      return "connectionFailed";
    case Kind::kLoginRequested:
      return "loginRequested";
    case Kind::kAuthenticationFailed:
      return "authenticationFailed";
    case Kind::kAccessDenied:
      return "accessDenied";
    case Kind::kAccountDisabled:
      return "accountDisabled";
    case Kind::kCustomerAccountDisabled:
      return "customerAccountDisabled";
    case Kind::kCustomerSubscriptionExpired:
      return "customerSubscriptionExpired";
    case Kind::kAccountValidationRequired:
      return "accountValidationRequired";
    case Kind::kPreviousSessionClosed:
      return "previousSessionClosed";
    case Kind::kErrorCode:
      return "errorCode";
    case Kind::kSharingAccount:
      return "sharingAccount";
    case Kind::kSessionExpired:
      return "sessionExpired";
    case Kind::kUnauthenticatedUser:
      return "unauthenticatedUser";
    case Kind::kPasswordExpired:
      return "passwordExpired";
    case Kind::kLoggedIn:
      return "loggedIn";
    case Kind::kUnknownAuthorityAccepted:
      return "unknownAuthorityAccepted";
  }
  return "unknown";
}

bool ServerEvent::RefusesLogin() const {
  switch (kind) {
    case Kind::kAuthenticationFailed:
    case Kind::kAccessDenied:
    case Kind::kAccountDisabled:
    case Kind::kCustomerAccountDisabled:
    case Kind::kCustomerSubscriptionExpired:
    case Kind::kAccountValidationRequired:
    case Kind::kPasswordExpired:
      return true;
    default:
      return false;
  }
}

bool ServerEvent::LosesSession() const {
  return kind == Kind::kSessionExpired || kind == Kind::kUnauthenticatedUser ||
         kind == Kind::kSharingAccount;
}
