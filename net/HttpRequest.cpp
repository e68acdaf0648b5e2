#include "net/HttpRequest.h"

#include "net/WebUtil.h"
#include "support/Crypto.h"

HttpRequest::HttpRequest(CString url)
    : url(url), port(0), serviceType(0) {
  const ParsedUrl parsed = WebUtil::ParseUrl(url);
  serverName = parsed.serverName;
  object = parsed.object;
  userName = parsed.userName;
  password = parsed.password;
  port = parsed.port;
  serviceType = parsed.serviceType;
}

HttpRequest::~HttpRequest() = default;

void HttpRequest::SetParameter(CString name, CString value) { parameters.SetAt(name, value); }

CString HttpRequest::GetQueryString() {
  CString query;
  for (POSITION position = parameters.GetStartPosition(); position;) {
    CString name, value;
    parameters.GetNextAssoc(position, name, value);
    query += name;
    query += '=';
    query += Crypto::encode(value);
    if (position) query += '&';
  }
  return query;
}

CString HttpRequest::GetUrl() { return url; }
CString HttpRequest::GetUserName() { return userName; }
void HttpRequest::SetUserName(CString value) { userName = value; }
CString HttpRequest::GetPassword() { return password; }
void HttpRequest::SetPassword(CString value) { password = value; }
CString HttpRequest::GetProxyUserName() { return proxyUserName; }
void HttpRequest::SetProxyUserName(CString value) { proxyUserName = value; }
CString HttpRequest::GetProxyPassword() { return proxyPassword; }
void HttpRequest::SetProxyPassword(CString value) { proxyPassword = value; }
CString HttpRequest::GetAgent() { return agent; }
void HttpRequest::SetAgent(CString value) { agent = value; }
CString HttpRequest::GetServerName() { return serverName; }
void HttpRequest::SetServerName(CString value) { serverName = value; }
CString HttpRequest::GetObject() { return object; }
void HttpRequest::SetObject(CString value) { object = value; }
unsigned short HttpRequest::GetPort() { return port; }
void HttpRequest::SetPort(unsigned short value) { port = value; }
unsigned long HttpRequest::GetServiceType() { return serviceType; }
void HttpRequest::SetServiceType(unsigned long value) { serviceType = static_cast<DWORD>(value); }
bool HttpRequest::IsAuthenticationEnabled() { return !userName.IsEmpty(); }
bool HttpRequest::IsProxyAuthenticationEnabled() { return !proxyUserName.IsEmpty(); }
