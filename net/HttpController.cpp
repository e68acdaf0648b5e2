#include "net/HttpController.h"

#include <ctime>
#include <string>
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

}  // namespace

HttpController::HttpController() : requestHandle(nullptr) {}

HttpController::~HttpController() { ClearHandles(); }

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
  CString proxyUserName = request.GetProxyUserName();
  CString proxyPassword = request.GetProxyPassword();
  try {
    // The body is built anew only after an authenticator, which may change
    // the request, answered; the report shares the first one.
    CString body = request.GetQueryString();
    ReportDiagnostic(DiagnosticLevel::kDebug, ("URL: " + request.GetUrl() + "?" + body).c_str());
    const HttpTimeLimits limits = HttpTimeLimits::FromEnvironment();
    for (;;) {  // one attempt per set of server credentials
      requestHandle = HttpTransfer::Open(request, limits);
      if (requestHandle == nullptr) {
        lastErrorMessage = "Cannot open Internet connection.";
        return response;
      }
      bool proxyCredentialsApplied = false;
      bool newAttempt = false;
      while (!newAttempt) {  // sends on the same request
        const DWORD failure = requestHandle->Send(body);
        if (failure == ERROR_INTERNET_INVALID_CA) {
          const CString warning =
              "Accepting the certificate of an unknown authority for " + request.GetUrl();
          ReportDiagnostic(DiagnosticLevel::kWarn, warning.c_str());
          requestHandle->IgnoreUnknownAuthority();
          continue;
        }
        if (failure != 0) {
          SetLastError(failure);
          RetrieveErrorMessage();
          ClearHandles();
          return response;
        }
        ReadBytes(*response);
        const unsigned long status = requestHandle->GetStatusCode();
        if (status == kStatusProxyAuthenticationRequired) {
          if (!proxyCredentialsApplied) {
            proxyCredentialsApplied = true;
            requestHandle->SetProxyCredentials(proxyUserName, proxyPassword);
            continue;
          }
          // Credentials given now are set on the handle at the next 407.
          proxyCredentialsApplied = false;
          if (authenticator.GetProxyAuthentication(request, proxyUserName, proxyPassword)) {
            body = request.GetQueryString();
            continue;
          }
        }
        ClearHandles();
        response->SetConnectionSuccessful(true);
        response->SetStatusCode(status);
        if (status == kStatusUnauthorized) {
          CString userName, password;
          if (authenticator.GetAuthentication(request, userName, password)) {
            request.SetUserName(userName);
            request.SetPassword(password);
            body = request.GetQueryString();
            newAttempt = true;
            continue;
          }
        }
        // A status, whatever it is, is not a transport failure: the message
        // stays as it is and the caller reads the status.
        SetLastError(0);
        return response;
      }
    }
  } catch (...) {
    const CString message = "An exception ended the request to " + request.GetUrl();
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
    ClearHandles();
    return response;
  }
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
  CString text;
  for (const std::string& line : CurlShare::CookieLines()) {
    StoredCookie cookie;
    if (!ReadCookieLine(line, cookie)) continue;
    if (!DomainMatches(cookie, url.serverName.str()) || !PathMatches(cookie.path, path)) continue;
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
