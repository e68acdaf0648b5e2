#include "net/WebUtil.h"

#include <cctype>
#include <cstring>

#include "platform/DiagnosticSink.h"
#include "platform/ShellExecute.h"

namespace {

// The schemes the parser knows: name, service code, default port, and
// whether "//" and an authority must follow the colon.
struct Scheme {
  const char* name;
  DWORD service;
  WORD defaultPort;
  bool hierarchical;
};
constexpr Scheme kSchemes[] = {
    {"http", AFX_INET_SERVICE_HTTP, 80, true},        {"https", AFX_INET_SERVICE_HTTPS, 443, true},
    {"ftp", AFX_INET_SERVICE_FTP, 21, true},          {"gopher", AFX_INET_SERVICE_GOPHER, 70, true},
    {"file", AFX_INET_SERVICE_FILE, 0, true},         {"mailto", AFX_INET_SERVICE_MAILTO, 0, false},
    {"mid", AFX_INET_SERVICE_MID, 0, false},          {"cid", AFX_INET_SERVICE_CID, 0, false},
    {"news", AFX_INET_SERVICE_NEWS, 0, false},        {"nntp", AFX_INET_SERVICE_NNTP, 119, true},
    {"prospero", AFX_INET_SERVICE_PROSPERO, 0, true}, {"telnet", AFX_INET_SERVICE_TELNET, 23, true},
    {"wais", AFX_INET_SERVICE_WAIS, 0, true},         {"afs", AFX_INET_SERVICE_AFS, 0, true},
};

const Scheme* FindScheme(const CString& name) {
  for (const Scheme& scheme : kSchemes) {
    if (name.CompareNoCase(scheme.name) == 0) return &scheme;
  }
  return nullptr;
}

// Parses `url` into `parsed`; false when it is not a URL the parser knows.
bool Parse(const CString& url, ParsedUrl& parsed) {
  const int colon = url.Find(':');
  if (colon <= 0) return false;
  const CString schemeName = url.Left(colon);
  const Scheme* scheme = FindScheme(schemeName);
  if (scheme == nullptr) return false;
  parsed.serviceType = scheme->service;
  parsed.port = scheme->defaultPort;
  CString rest = url.Mid(colon + 1);
  if (!scheme->hierarchical) {
    parsed.object = rest;
    return true;
  }
  if (rest.Left(2) != "//") return false;
  rest = rest.Mid(2);
  const int authorityEnd = rest.FindOneOf("/?#");
  CString authority = authorityEnd < 0 ? rest : rest.Left(authorityEnd);
  parsed.object = authorityEnd < 0 ? CString() : rest.Mid(authorityEnd);
  const int at = authority.ReverseFind('@');
  if (at >= 0) {
    const CString credentials = authority.Left(at);
    authority = authority.Mid(at + 1);
    const int separator = credentials.Find(':');
    parsed.userName = separator < 0 ? credentials : credentials.Left(separator);
    parsed.password = separator < 0 ? CString() : credentials.Mid(separator + 1);
  }
  // A bracketed IPv6 literal keeps its colons; the port follows the bracket.
  const int bracket = authority.Left(1) == "[" ? authority.Find(']') : -1;
  const int portColon = authority.Find(':', bracket < 0 ? 0 : bracket);
  parsed.serverName = portColon < 0 ? authority : authority.Left(portColon);
  if (portColon >= 0) {
    const CString digits = authority.Mid(portColon + 1);
    if (digits.IsEmpty() || digits.GetLength() > 5) return false;
    long port = 0;
    for (int i = 0; i < digits.GetLength(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(digits[i]))) return false;
      port = port * 10 + (digits[i] - '0');
    }
    if (port > 65535) return false;
    parsed.port = static_cast<WORD>(port);
  }
  if (parsed.serverName.IsEmpty() && scheme->service != AFX_INET_SERVICE_FILE) return false;
  if (parsed.object.IsEmpty() || parsed.object[0] != '/') parsed.object.Insert(0, '/');
  return true;
}

}  // namespace

ParsedUrl WebUtil::ParseUrl(CString url) {
  ParsedUrl parsed;
  if (!Parse(url, parsed)) {
    parsed = ParsedUrl();
    parsed.serviceType = AFX_INET_SERVICE_UNK;
  }
  return parsed;
}

bool WebUtil::IsValidUrl(CString url) {
  ParsedUrl parsed;
  return Parse(url, parsed);
}

// Built by concatenation rather than printf-style formatting, so that no
// byte of a field is lost or read as a format.
CString WebUtil::BuildUnauthenticatedUrl(ParsedUrl& url) {
  CString port;
  port.Format("%d", url.port);
  return GetServiceAsString(url.serviceType) + "://" + url.serverName + ":" + port + url.object;
}

CString WebUtil::BuildAuthenticatedUrl(ParsedUrl& url) {
  CString port;
  port.Format("%d", url.port);
  return GetServiceAsString(url.serviceType) + "://" + url.userName + ":" + url.password + "@" +
         url.serverName + ":" + port + url.object;
}

CString WebUtil::GetServiceAsString(unsigned long serviceType) {
  return serviceType == AFX_INET_SERVICE_HTTPS ? "https" : "http";
}

void WebUtil::OpenDefaultBrowser(CString& url) {
  if (ShellExecuteA(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL) <= 32) {
    const CString message = "The default browser could not open " + url;
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
  }
}
