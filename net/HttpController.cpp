#include "net/HttpController.h"

#include <ctime>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "net/ByteBuffer.h"
#include "net/Bytes.h"
#include "net/CurlShare.h"
#include "net/HttpTransfer.h"
#include "net/InternetErrors.h"
#include "net/WebUtil.h"
#include "platform/DiagnosticSink.h"
#include "platform/LastError.h"
#include "platform/MessageBox.h"

namespace {

constexpr unsigned long kStatusUnauthorized = 401;
constexpr unsigned long kStatusProxyAuthenticationRequired = 407;

// One line of the cookie store: domain, subdomains flag, path, secure flag,
// expiry, name, value, separated by tabs.
struct StoredCookie {
  std::string domain;
  bool includeSubdomains = false;
  std::string path;
  bool secure = false;
  long long expires = 0;  // 0 for a session cookie
  std::string name;
  std::string value;
};

bool ReadCookieLine(std::string line, StoredCookie& cookie) {
  const std::string httpOnly = "#HttpOnly_";
  if (line.compare(0, httpOnly.size(), httpOnly) == 0) line.erase(0, httpOnly.size());
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  if (fields.size() != 7) return false;
  cookie.domain = fields[0];
  if (!cookie.domain.empty() && cookie.domain[0] == '.') cookie.domain.erase(0, 1);
  cookie.includeSubdomains = fields[1] == "TRUE";
  cookie.path = fields[2];
  cookie.secure = fields[3] == "TRUE";
  cookie.expires = std::atoll(fields[4].c_str());
  cookie.name = fields[5];
  cookie.value = fields[6];
  return true;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return CString(a).CompareNoCase(b.c_str()) == 0;
}

bool DomainMatches(const StoredCookie& cookie, const std::string& host) {
  if (EqualsIgnoringCase(cookie.domain, host)) return true;
  if (!cookie.includeSubdomains || host.size() <= cookie.domain.size()) return false;
  const size_t dot = host.size() - cookie.domain.size() - 1;
  return host[dot] == '.' && EqualsIgnoringCase(host.substr(dot + 1), cookie.domain);
}

bool PathMatches(const std::string& cookiePath, const std::string& path) {
  if (path.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return path.size() == cookiePath.size() || cookiePath.back() == '/' ||
         path[cookiePath.size()] == '/';
}

// Whether the acceptance of an unknown authority for this server is news:
// true the first time in the process for each scheme, host and port.
bool FirstAcceptanceFor(HttpRequest& request) {
  static std::mutex mutex;
  static std::set<std::string> warned;
  const std::string server = WebUtil::GetServiceAsString(request.GetServiceType()).str() + "://" +
                             request.GetServerName().str() + ":" +
                             std::to_string(request.GetPort());
  std::lock_guard lock(mutex);
  return warned.insert(server).second;
}

}  // namespace

HttpController::HttpController() : requestHandle(nullptr) {}

HttpController::~HttpController() { ClearHandles(); }

// One Connect: what it was given and what carries over from one send, or
// one attempt, to the next.
struct HttpController::Exchange {
  HttpRequest& request;
  HttpAuthenticator& authenticator;
  HttpResponse& response;
  HttpLimits limits;
  CString body;           // the form, built anew after an authenticator answered
  CString proxyUserName;  // the proxy credentials sent with every send, empty for none
  CString proxyPassword;
  bool proxyAsked = false;  // the authenticator was asked after a 407
};

HttpResponse* HttpController::Connect(HttpRequest& request, HttpAuthenticator& authenticator) {
  lastErrorMessage = "Unknown error.";
  auto* response = new HttpResponse();
  if (!WebUtil::IsValidUrl(request.GetUrl())) {
    lastErrorMessage = "Invalid URL.";
    return response;
  }
  const unsigned long service = request.GetServiceType();
  if (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS) {
    lastErrorMessage = "Unsupported protocol.";
    return response;
  }
  try {
    // The body is built anew only after an authenticator, which may change
    // the request, answered; the report shares the first one.
    CString body = request.GetQueryString();
    const CString target = "URL: " + request.GetUrl() + "?" + body;
    ReportDiagnostic(DiagnosticLevel::kDebug, target.c_str());
    Exchange exchange{request,
                      authenticator,
                      *response,
                      HttpLimits::FromEnvironment(),
                      std::move(body),
                      request.GetProxyUserName(),
                      request.GetProxyPassword()};
    while (Attempt(exchange)) {
      // one attempt per set of server credentials
    }
  } catch (...) {
    const CString message = "An exception ended the request to " + request.GetUrl();
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
    ClearHandles();
  }
  return response;
}

bool HttpController::Attempt(Exchange& exchange) {
  requestHandle = HttpTransfer::Open(exchange.request, exchange.limits);
  if (requestHandle == nullptr) {
    lastErrorMessage = "Cannot open Internet connection.";
    return false;
  }
  // Known proxy credentials go out with the request itself (Basic).
  if (!exchange.proxyUserName.IsEmpty()) {
    requestHandle->SetProxyCredentials(exchange.proxyUserName, exchange.proxyPassword,
                                       CURLAUTH_BASIC);
  }
  for (;;) {  // sends on the same transfer
    const DWORD failure = requestHandle->Send(exchange.body);
    if (failure != 0) {
      SetLastError(failure);
      RetrieveErrorMessage();
      if (requestHandle->AnswerTooLarge()) {
        lastErrorMessage.Format("The server's answer is larger than %u MB.",
                                exchange.limits.answerMegabytes);
      }
      ClearHandles();
      return false;
    }
    if (requestHandle->AcceptedUnknownAuthority()) WarnOfUnknownAuthority(exchange);
    ReadBytes(exchange.response);
    const unsigned long status = requestHandle->GetStatusCode();
    if (status == kStatusProxyAuthenticationRequired && SendAgainToProxy(exchange)) continue;
    ClearHandles();
    exchange.response.SetConnectionSuccessful(true);
    exchange.response.SetStatusCode(status);
    if (status == kStatusUnauthorized && TakeServerCredentials(exchange)) return true;
    // A status, whatever it is, is not a transport failure: the message
    // stays as it is and the caller reads the status.
    SetLastError(0);
    return false;
  }
}

void HttpController::WarnOfUnknownAuthority(Exchange& exchange) {
  if (!FirstAcceptanceFor(exchange.request)) return;
  const CString warning = "Accepting the certificate of an unknown authority for " +
                          exchange.request.GetUrl() + " (SORREL_HTTP_ACCEPT_UNKNOWN_CA)";
  ReportDiagnostic(DiagnosticLevel::kWarn, warning.c_str());
  exchange.authenticator.OnUnknownAuthorityAccepted(exchange.request);
}

bool HttpController::SendAgainToProxy(Exchange& exchange) {
  const unsigned long offered = requestHandle->ProxyMethodsOffered();
  // Credentials refused as Basic are tried once more with the stronger
  // schemes the proxy offers, if any, before anyone is asked.
  const unsigned long stronger = offered & ~static_cast<unsigned long>(CURLAUTH_BASIC);
  if (requestHandle->HasProxyCredentials() && requestHandle->ProxyMethods() == CURLAUTH_BASIC &&
      stronger != 0) {
    requestHandle->SetProxyCredentials(exchange.proxyUserName, exchange.proxyPassword, stronger);
    return true;
  }
  // The authenticator is asked once per Connect: the proxy's answer to what
  // it gave is final.
  if (exchange.proxyAsked) return false;
  exchange.proxyAsked = true;
  if (!exchange.authenticator.GetProxyAuthentication(exchange.request, exchange.proxyUserName,
                                                     exchange.proxyPassword)) {
    return false;
  }
  requestHandle->SetProxyCredentials(exchange.proxyUserName, exchange.proxyPassword,
                                     offered != 0 ? offered : CURLAUTH_ANY);
  exchange.body = exchange.request.GetQueryString();
  return true;
}

bool HttpController::TakeServerCredentials(Exchange& exchange) {
  CString userName, password;
  if (!exchange.authenticator.GetAuthentication(exchange.request, userName, password)) return false;
  exchange.request.SetUserName(userName);
  exchange.request.SetPassword(password);
  exchange.body = exchange.request.GetQueryString();
  return true;
}

void HttpController::DisplayLastError() { AfxMessageBox(lastErrorMessage, MB_ICONSTOP, 0); }

CString HttpController::FormatErrorMessage(HttpResponse& response) {
  CString body;
  response.GetString(body);
  CString message = body;
  int start = body.Find("<TITLE>");
  int end = body.Find("</TITLE>");
  if (start < 0 && end < 0) {
    start = body.Find("<title>");
    end = body.Find("</title>");
  }
  if (start >= 0 && end >= 0) message = body.Mid(start + 7, end - start - 7);
  if (message.IsEmpty()) message.Format("HTTP Error %lu", response.GetStatusCode());
  return message;
}

CString HttpController::GetCookie(HttpRequest& request, CString& /*name*/) {
  const ParsedUrl url = WebUtil::ParseUrl(request.GetUrl());
  if (url.serverName.IsEmpty()) return CString();
  std::string path = url.object.str().substr(0, url.object.str().find_first_of("?#"));
  if (path.empty()) path.assign(1, '/');
  const bool secure = url.serviceType == AFX_INET_SERVICE_HTTPS;
  const long long now = static_cast<long long>(std::time(nullptr));
  // The cookie store names an IPv6 literal host without its brackets.
  std::string host = url.serverName.str();
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  CString text;
  for (const std::string& line : CurlShare::CookieLines()) {
    StoredCookie cookie;
    if (!ReadCookieLine(line, cookie)) continue;
    if (!DomainMatches(cookie, host) || !PathMatches(cookie.path, path)) continue;
    if ((cookie.secure && !secure) || (cookie.expires != 0 && cookie.expires <= now)) continue;
    if (!text.IsEmpty()) text += "; ";
    text += cookie.name.c_str();
    text += '=';
    text += cookie.value.c_str();
  }
  return text;
}

void HttpController::ClearHandles() {
  delete requestHandle;
  requestHandle = nullptr;
}

void HttpController::RetrieveErrorMessage() {
  const DWORD code = GetLastError();
  const char* text = InternetErrorText(code);
  lastErrorMessage.Format("%u: %s", static_cast<unsigned>(code),
                          text ? text : "No description is known for this error.");
}

void HttpController::ReadBytes(HttpResponse& response) {
  Bytes* bytes = requestHandle->TakeBody().ToBytes();
  response.SetBytes(bytes ? bytes : new Bytes());
}
