#pragma once

#include "net/HttpAuthenticator.h"
#include "platform/Export.h"

class InternetAccessController;

// What a client hears from a session with a search server, and where the
// session asks for credentials. Every call comes on the caller's thread, in
// the middle of the operation the client called; the operation goes on when
// the callback returns. The two credential requests are those of
// HttpAuthenticator: GetAuthentication is also asked after every refused
// login. The listener is owned by the client; the library never deletes one
// (hence no virtual destructor).
class SORREL_EXPORT IacListener : public HttpAuthenticator {
 public:
  // The login request got no HTTP status at all (refused, unreachable, time-out).
  virtual void OnConnectionFailed(InternetAccessController& controller) = 0;
  // The server does not know the user or the password.
  virtual void OnAuthenticationFailed(InternetAccessController& controller) = 0;
  // Kept for clients that implement it; the library never fires it.
  virtual void OnAccessDenied(InternetAccessController& controller) = 0;
  virtual void OnAccountDisabled(InternetAccessController& controller) = 0;
  virtual void OnCustomerAccountDisabled(InternetAccessController& controller) = 0;
  virtual void OnCustomerSubscriptionExpired(InternetAccessController& controller) = 0;
  virtual void OnAccountValidationRequired(InternetAccessController& controller) = 0;
  // Kept for clients that implement it; the library never fires it.
  virtual void OnPreviousSessionClosed(InternetAccessController& controller) = 0;
  // The login request got a status other than 200.
  virtual void OnErrorCode(InternetAccessController& controller, unsigned long statusCode) = 0;
  // An error page named "SharingAccountException": the user logged in elsewhere.
  virtual void OnSharingAccountException(InternetAccessController& controller) = 0;
  // An error page named "ExpiredSessionException".
  virtual void OnSessionHasExpired(InternetAccessController& controller) = 0;
  // An error page named "UnauthenticatedUserException".
  virtual void OnUnauthenticatedUser(InternetAccessController& controller) = 0;
  virtual void OnPasswordExpired(InternetAccessController& controller) = 0;

 protected:
  ~IacListener() = default;
};
