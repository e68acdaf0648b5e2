#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/CString.h"
#include "platform/WinTypes.h"

class ByteBuffer;
class HttpRequest;

// The limits of an exchange, read from the environment at each Connect:
// SORREL_HTTP_CONNECT_TIMEOUT bounds the TCP and TLS set-up,
// SORREL_HTTP_IDLE_TIMEOUT the time during which no byte moves either way
// (seconds, fractions allowed; 60 each when unset or not a positive number),
// SORREL_HTTP_MAX_ANSWER_MB the body of an answer (whole MB, 1 to 4095;
// kDefaultAnswerMegabytes when unset or not understood).
struct HttpLimits {
  static constexpr unsigned kDefaultAnswerMegabytes = 16;

  long connectMilliseconds;  // CURLOPT_CONNECTTIMEOUT_MS
  long idleMilliseconds;     // longest stretch without a byte moved
  unsigned answerMegabytes;  // largest body taken, in MB of 1,048,576 bytes

  static HttpLimits FromEnvironment();
};

// One open request: a form POST to the request's server on the process-wide
// share, that can be sent several times (after a 407) with options changed
// in between, as a WinINet request handle is. Every send goes out on an easy
// handle of its own: libcurl 7.88 keeps a pointer to the previous transfer's
// last header in a reused handle, and an answer whose first header line is
// folded would use it after it was freed.
// Internal to HttpController.
class HttpTransfer {
 public:
  // Null when libcurl cannot give a handle or take the options.
  static HttpTransfer* Open(HttpRequest& request, const HttpLimits& limits);
  ~HttpTransfer();
  HttpTransfer(const HttpTransfer&) = delete;
  HttpTransfer& operator=(const HttpTransfer&) = delete;

  // Posts `body`. 0 when a status came back (the whole body then waits in
  // TakeBody), else the WinINet number of the failure.
  DWORD Send(const CString& body);
  // The status of the last successful send (a proxy's answer to a tunnel
  // request included).
  unsigned long GetStatusCode() const { return statusCode; }
  // The body of the last successful send; owned by the transfer.
  ByteBuffer& TakeBody() { return *body; }

  // Proxy credentials for the next sends, answered to the schemes in
  // `methods` (CURLAUTH_*): Basic alone goes out with the request itself,
  // other schemes after the proxy's challenge.
  void SetProxyCredentials(const CString& userName, const CString& password, unsigned long methods);
  // Whether proxy credentials go out with the next sends, and their schemes.
  bool HasProxyCredentials() const { return !proxyUserName.empty(); }
  unsigned long ProxyMethods() const { return proxyMethods; }
  // The schemes the proxy offered in the last send's 407 (CURLAUTH_*).
  unsigned long ProxyMethodsOffered() const;
  // Whether the last send failed because the answer's body is longer than
  // the limit (declared so, or found so while it was read).
  bool AnswerTooLarge() const { return answerTooLarge; }
  // Whether the last send's handshake let through a certificate of an
  // unknown authority (only when SORREL_HTTP_ACCEPT_UNKNOWN_CA allows it).
  bool AcceptedUnknownAuthority() const { return unknownAuthorityAccepted; }

 private:
  HttpTransfer();
  void Configure(HttpRequest& request, const HttpLimits& limits);
  // Replaces the handle by a fresh one holding every option; false when
  // libcurl refuses one.
  bool Prepare();
  CURLcode Perform();
  // The WinINet number of a failed send.
  DWORD MapFailure(CURLcode result);
  // An unsupported scheme or a bad argument: before the connection, what
  // libcurl says; after it, an answer libcurl could not read as HTTP.
  DWORD MapRefusedAnswer(CURLcode result);
  // A certificate refused: the host name, the dates or the authority.
  DWORD MapCertificateFailure();

  // Installs the certificate check that lets an unknown authority through
  // but still refuses a certificate out of its dates.
  static CURLcode PrepareTlsContext(CURL* easy, void* context, void* transfer);
  static size_t ReceiveBody(char* data, size_t size, size_t count, void* transfer);
  static int CheckProgress(void* transfer, curl_off_t downloadTotal, curl_off_t downloaded,
                           curl_off_t uploadTotal, curl_off_t uploaded);

  CURL* easy;               // the handle of the last send, or the next one; owned
  bool easyUnsent;          // `easy` holds every option and has not been sent
  curl_slist* headers;      // request headers, owned
  std::string url;          // what libcurl is pointed at
  std::string authorities;  // the file of trusted authorities, or empty for the system's
  bool authenticate;        // the server credentials below are sent
  std::string userName;     // server credentials
  std::string password;
  std::string postBody;       // the body being sent; libcurl reads it in place
  std::string proxyUserName;  // proxy credentials, empty when none
  std::string proxyPassword;
  unsigned long proxyMethods;      // schemes answered with them (CURLAUTH_*)
  long connectMilliseconds;        // limit of the TCP and TLS set-up
  ByteBuffer* body;                // the body of the last send, owned
  unsigned long statusCode;        // status of the last successful send
  long idleMilliseconds;           // limit of a stretch without traffic
  uint64_t largestAnswer;          // bytes of body taken at most
  bool answerTooLarge;             // the body passed largestAnswer and was cut off
  bool outOfMemory;                // a block of the body could not be allocated
  bool acceptingUnknownAuthority;  // SORREL_HTTP_ACCEPT_UNKNOWN_CA is on
  bool unknownAuthorityAccepted;   // the last send's handshake relied on it
  bool idleExpired;                // the transfer was stopped for lack of traffic
  curl_off_t lastDownloaded;       // progress seen at lastActivity
  curl_off_t lastUploaded;
  std::chrono::steady_clock::time_point lastActivity;  // when a byte last moved
};
