#pragma once

#include "platform/CMapStringToString.h"
#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/WinTypes.h"

// One form POST to send with HttpController: the URL, the pieces parsed from
// it, server and proxy credentials, and the form parameters of the body. The
// setters change only their own field: changing the object or the server
// name does not change the URL, which serves for logging, the cookie lookup
// and the URL checks.
class SORREL_EXPORT HttpRequest {
 public:
  // Stores `url` and copies host, path, user, password, port and service type
  // from WebUtil::ParseUrl; a text that is not a URL is stored all the same
  // and refused by the transport.
  explicit HttpRequest(CString url);
  virtual ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Stores `value` under `name`; a second call with the same name replaces
  // the value and keeps the name's place in the body.
  void SetParameter(CString name, CString value);
  // The body: "name=value" pairs joined by "&" in the parameter map's order,
  // each value percent-encoded (Crypto::encode), names as they are.
  CString GetQueryString();
  CString GetUrl();

  CString GetUserName();
  void SetUserName(CString userName);
  CString GetPassword();
  void SetPassword(CString password);
  CString GetProxyUserName();
  void SetProxyUserName(CString proxyUserName);
  CString GetProxyPassword();
  void SetProxyPassword(CString proxyPassword);
  // Kept for the caller only: the transport sends its own agent text.
  CString GetAgent();
  void SetAgent(CString agent);
  CString GetServerName();
  void SetServerName(CString serverName);
  CString GetObject();
  void SetObject(CString object);
  unsigned short GetPort();
  void SetPort(unsigned short port);
  unsigned long GetServiceType();
  void SetServiceType(unsigned long serviceType);

  // True when the user name for the server is not empty.
  bool IsAuthenticationEnabled();
  // True when the user name for the proxy is not empty.
  bool IsProxyAuthenticationEnabled();

 private:
  CString url;                    // the URL the request was made from
  CString userName;               // user name for the server
  CString password;               // password for the server
  CString proxyUserName;          // user name for the proxy
  CString proxyPassword;          // password for the proxy
  CString agent;                  // stored and returned, never sent
  CString serverName;             // host name
  CString object;                 // path and query: the target of the request
  WORD port;                      // TCP port
  DWORD serviceType;              // AFX_INET_SERVICE_HTTP or _HTTPS for the transport
  CMapStringToString parameters;  // form parameters, name to value
};
