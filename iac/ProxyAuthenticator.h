#pragma once

#include "platform/CString.h"
#include "platform/Export.h"

// Source of the proxy credentials that a session sends with every request
// (login, operations, goodbye), asked for them anew at each request. Supplied by the client, which keeps it
// alive for as long as the registry or controller that holds it; the library
// never deletes it.
class SORREL_EXPORT ProxyAuthenticator {
 public:
  // The proxy user name, empty for none.
  virtual CString GetProxyUserName() = 0;
  // The proxy password, empty for none.
  virtual CString GetProxyPassword() = 0;
  virtual ~ProxyAuthenticator();
};
