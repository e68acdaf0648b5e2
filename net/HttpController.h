#pragma once

#include "net/HttpAuthenticator.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "platform/CString.h"
#include "platform/Export.h"

class HttpTransfer;

// Sends an HttpRequest to its server as a form-encoded POST and returns the
// status and the whole body. Cookies, open connections, DNS answers and TLS
// sessions are shared by the whole process, so a session cookie set by one
// answer goes out with the next request to that server over the same
// connection. Redirects are not followed. Proxies come from the standard
// environment variables (http_proxy, https_proxy, no_proxy).
//
// Waits are bounded: SORREL_HTTP_CONNECT_TIMEOUT (connection set-up) and
// SORREL_HTTP_IDLE_TIMEOUT (no byte moving either way), in seconds, 60 each
// by default, read at each Connect; either ends the exchange with 12002.
// SORREL_HTTP_MAX_ANSWER_MB bounds the body of an answer (16 MB by default),
// enforced as it arrives whatever its framing.
// SORREL_HTTP_CA_FILE names a PEM file of certificate authorities trusted
// besides the system's; SORREL_HTTP_ACCEPT_UNKNOWN_CA=1 lets certificates of
// unknown authorities through. One controller serves one Connect at a time.
class SORREL_EXPORT HttpController {
 public:
  HttpController();
  virtual ~HttpController();
  HttpController(const HttpController&) = delete;
  HttpController& operator=(const HttpController&) = delete;

  // Posts the request's parameters and returns a new response that the
  // caller owns (never null). IsConnectionSuccessful() says whether a status
  // came back; otherwise lastErrorMessage says why ("Invalid URL.",
  // "Unsupported protocol.", "The server's answer is larger than N MB." with
  // the last error 8, or "NUMBER: text" with the WinINet number). A 401
  // asks `authenticator`; server credentials it gives are stored in
  // `request`. The request's proxy credentials go out with every send through
  // a proxy; a 407 to them asks `authenticator` once. A certificate of an
  // unknown authority fails (12045) unless SORREL_HTTP_ACCEPT_UNKNOWN_CA is
  // 1; then it passes with a warning to the log and to `authenticator`, once
  // per server and process. An expired certificate (12037) or one for another
  // host name (12038) always fails. A body that does not arrive whole is a
  // failure.
  HttpResponse* Connect(HttpRequest& request, HttpAuthenticator& authenticator);
  // Shows lastErrorMessage in a message box with the stop icon.
  void DisplayLastError();
  // The text a user should see for a response whose status is not 200: the
  // error page's title, else the whole page, else "HTTP Error N".
  CString FormatErrorMessage(HttpResponse& response);
  // Every cookie that the process's cookie store holds for the request's URL,
  // as "name=value" pairs joined by "; "; empty when there is none. `name` is
  // not used for filtering, as with WinINet.
  static CString GetCookie(HttpRequest& request, CString& name);
  // The failure text of the last Connect ("Unknown error." when none).
  CString GetLastErrorMessage() const { return lastErrorMessage; }

 private:
  struct Exchange;
  // One transfer, sent until its answer or failure is final; true when the
  // authenticator gave server credentials after a 401, for a new transfer.
  bool Attempt(Exchange& exchange);
  // After a 407: true when the request goes out again on the same transfer,
  // with the known credentials under a scheme not yet tried, else once with
  // the authenticator's.
  bool SendAgainToProxy(Exchange& exchange);
  // Tells the log and the authenticator, the first time for this server.
  void WarnOfUnknownAuthority(Exchange& exchange);
  // After a 401: true when the authenticator gave credentials, now in the request.
  bool TakeServerCredentials(Exchange& exchange);
  void ClearHandles();
  void RetrieveErrorMessage();
  void ReadBytes(HttpResponse& response);

  HttpTransfer* requestHandle;  // the request being sent; null between calls
  CString lastErrorMessage;     // text of the last failure
};
