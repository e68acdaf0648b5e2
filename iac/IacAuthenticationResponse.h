#pragma once

// The server's answer to a login, one flag per element of its XML document
// ("/authentication/authenticated", ...). Every flag is false until read.
// Internal to the library.
class IacAuthenticationResponse {
 public:
  IacAuthenticationResponse();
  IacAuthenticationResponse(const IacAuthenticationResponse& other);
  IacAuthenticationResponse& operator=(const IacAuthenticationResponse& other);
  virtual ~IacAuthenticationResponse();

  bool authenticated = false;              // the user and password are known
  bool accountEnabled = false;             // the user's account may be used
  bool customerAccountEnabled = false;     // the customer's account may be used
  bool customerSubscriptionValid = false;  // the customer's subscription runs
  bool passwordExpired = false;            // the password must be changed first
  bool accountValidationRequired = false;  // the account awaits validation
  bool previousSessionClosed = false;      // a session elsewhere was closed; decides nothing

 private:
};
