#pragma once

#include "platform/CString.h"
#include "platform/Export.h"

class HttpRequest;

// What HttpController asks for credentials when the server (401) or a proxy
// (407) demands them. Both run on the caller's thread while Connect waits.
class SORREL_EXPORT HttpAuthenticator {
 public:
  // Asked after a 401: fill both strings and answer true to have the request
  // sent again with them (they are then stored in `request`), false to give up.
  virtual bool GetAuthentication(HttpRequest& request, CString& userName, CString& password) = 0;
  // The same for a 407 from the proxy; the strings arrive holding the proxy
  // credentials last tried.
  virtual bool GetProxyAuthentication(HttpRequest& request, CString& userName,
                                      CString& password) = 0;
  // Told once per server and process when its certificate, from an unknown
  // authority, was accepted because SORREL_HTTP_ACCEPT_UNKNOWN_CA allows it.
  // Nothing by default.
  virtual void OnUnknownAuthorityAccepted(HttpRequest& request);

 protected:
  // Not deleted through this interface.
  ~HttpAuthenticator() = default;
};
