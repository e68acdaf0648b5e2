#include "net/HttpTransfer.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>

#include "net/ByteBuffer.h"
#include "net/CurlShare.h"
#include "net/HttpRequest.h"
#include "net/InternetErrors.h"
#include "net/WebUtil.h"
#include "platform/DiagnosticSink.h"
#include "platform/ThreadCache.h"

namespace {

constexpr long kDefaultLimitMilliseconds = 60000;
// The answer limit's bounds in MB: below 4 GiB, the largest body a 32-bit
// length can describe.
constexpr unsigned long kMostAnswerMegabytes = 4095;
constexpr uint64_t kMegabyte = 1024 * 1024;
// The agent text sent with every request.
constexpr const char kAgent[] = "Sorrel V5";

long ReadLimit(const char* variable) {
  const char* text = std::getenv(variable);
  if (text == nullptr || *text == '\0') return kDefaultLimitMilliseconds;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400.0) {
    const CString message = CString(variable) + " is not a number of seconds: " + text;
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
    return kDefaultLimitMilliseconds;
  }
  return std::max(1L, static_cast<long>(seconds * 1000.0));
}

unsigned ReadAnswerMegabytes() {
  const char* text = std::getenv("SORREL_HTTP_MAX_ANSWER_MB");
  if (text == nullptr || *text == '\0') return HttpLimits::kDefaultAnswerMegabytes;
  char* end = nullptr;
  errno = 0;
  const unsigned long megabytes = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || *text == '-' || megabytes == 0 ||
      megabytes > kMostAnswerMegabytes) {
    const std::string message =
        std::string("SORREL_HTTP_MAX_ANSWER_MB is not a number of MB from 1 to 4095: ") + text;
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
    return HttpLimits::kDefaultAnswerMegabytes;
  }
  return static_cast<unsigned>(megabytes);
}

// The path escaped where a URL may not hold the byte as it is (blanks,
// controls, bytes above 0x7F and the characters RFC 3986 excludes).
std::string EscapeTarget(const CString& object) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (char ch : object.str()) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte <= 0x20 || byte >= 0x7F || std::strchr("\"<>\\^`{|}", ch) != nullptr) {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    } else {
      escaped += ch;
    }
  }
  if (escaped.empty() || escaped[0] != '/') escaped.insert(0, 1, '/');
  return escaped;
}

// Whether a proxy variable that libcurl reads for this scheme is set.
bool ProxyConfigured(bool https) {
  const char* const httpNames[] = {"http_proxy", "all_proxy", "ALL_PROXY"};
  const char* const httpsNames[] = {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"};
  for (const char* name :
       https ? std::span<const char* const>(httpsNames) : std::span<const char* const>(httpNames)) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// The multi handle that runs this thread's transfers, kept between them:
// setting one up costs more than the rest of a loopback exchange. Shared
// state (connections, cookies, sessions) lives in the share. Null once the
// thread is ending or when libcurl cannot give one: transfers after that (a
// controller in a static object saying goodbye at exit) run without one.
CURLM* KeptMulti() { return ThreadCache<CURLM, &curl_multi_cleanup>::Get(&curl_multi_init); }

// OpenSSL's verification results that name the certificate itself rather
// than its issuer, and the one libcurl leaves in place when its own check
// of the host name fails before it reads OpenSSL's.
constexpr long kCertificateNotYetValid = 9;  // X509_V_ERR_CERT_NOT_YET_VALID
constexpr long kCertificateExpired = 10;     // X509_V_ERR_CERT_HAS_EXPIRED
constexpr long kNotVerified = 1;             // X509_V_ERR_UNSPECIFIED

// Whether the installation asked to accept certificates of unknown
// authorities: SORREL_HTTP_ACCEPT_UNKNOWN_CA set to 1, yes or true.
bool UnknownAuthoritiesAccepted() {
  const char* text = std::getenv("SORREL_HTTP_ACCEPT_UNKNOWN_CA");
  if (text == nullptr || *text == '\0') return false;
  const CString value(text);
  if (value == "1" || value.CompareNoCase("yes") == 0 || value.CompareNoCase("true") == 0) {
    return true;
  }
  if (!(value == "0") && value.CompareNoCase("no") != 0 && value.CompareNoCase("false") != 0) {
    const CString message = "SORREL_HTTP_ACCEPT_UNKNOWN_CA is neither 1 nor 0: " + value;
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
  }
  return false;
}

// The verification results that only say the chain does not end at a
// trusted authority.
bool NamesUnknownAuthority(int error) {
  switch (error) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return true;
    default:
      return false;
  }
}

// Set by the certificate check of a handshake on this thread; the transfer
// that runs the handshake reads it when its send is over.
thread_local bool unknownAuthorityLetThrough = false;

// OpenSSL's check of each certificate of the chain: an unknown authority is
// let through and its result cleared, so that the rest of the chain is
// still checked (dates above all) and libcurl still checks the host name.
int VerifyAllowingUnknownAuthority(int verified, X509_STORE_CTX* store) {
  if (verified == 1) return 1;
  if (!NamesUnknownAuthority(X509_STORE_CTX_get_error(store))) return 0;
  unknownAuthorityLetThrough = true;
  X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

}  // namespace

HttpLimits HttpLimits::FromEnvironment() {
  return {ReadLimit("SORREL_HTTP_CONNECT_TIMEOUT"), ReadLimit("SORREL_HTTP_IDLE_TIMEOUT"),
          ReadAnswerMegabytes()};
}

HttpTransfer::HttpTransfer()
    : easy(nullptr),
      easyUnsent(false),
      headers(nullptr),
      authenticate(false),
      proxyMethods(CURLAUTH_ANY),
      connectMilliseconds(kDefaultLimitMilliseconds),
      body(new ByteBuffer()),
      statusCode(0),
      idleMilliseconds(kDefaultLimitMilliseconds),
      largestAnswer(uint64_t{HttpLimits::kDefaultAnswerMegabytes} * kMegabyte),
      answerTooLarge(false),
      outOfMemory(false),
      acceptingUnknownAuthority(false),
      unknownAuthorityAccepted(false),
      idleExpired(false),
      lastDownloaded(0),
      lastUploaded(0) {}

HttpTransfer::~HttpTransfer() {
  curl_easy_cleanup(easy);
  curl_slist_free_all(headers);
  delete body;
}

HttpTransfer* HttpTransfer::Open(HttpRequest& request, const HttpLimits& limits) {
  if (CurlShare::Handle() == nullptr) return nullptr;
  auto* transfer = new HttpTransfer();
  transfer->Configure(request, limits);
  if (!transfer->Prepare()) {
    delete transfer;
    return nullptr;
  }
  return transfer;
}

void HttpTransfer::Configure(HttpRequest& request, const HttpLimits& limits) {
  CString host = request.GetServerName();
  if (host.Find(':') >= 0 && host.Left(1) != "[") host = "[" + host + "]";
  url = WebUtil::GetServiceAsString(request.GetServiceType()).str() + "://" + host.str() + ":" +
        std::to_string(request.GetPort()) + EscapeTarget(request.GetObject());
  idleMilliseconds = limits.idleMilliseconds;
  connectMilliseconds = limits.connectMilliseconds;
  largestAnswer = uint64_t{limits.answerMegabytes} * kMegabyte;
  // A proxy that demands credentials answers 407 and closes without reading
  // the body, which resets the connection under its answer. Through a proxy
  // the body therefore waits for "100 Continue", so that a 407 arrives before
  // any of it is sent; direct requests send it at once.
  const bool https = request.GetServiceType() == AFX_INET_SERVICE_HTTPS;
  for (const char* header : {"Content-Type: application/x-www-form-urlencoded",
                             ProxyConfigured(https) ? "Expect: 100-continue" : "Expect:"}) {
    curl_slist* longer = curl_slist_append(headers, header);
    if (longer == nullptr) {
      // Prepare refuses a transfer without its headers.
      curl_slist_free_all(headers);
      headers = nullptr;
      return;
    }
    headers = longer;
  }
  if (const char* file = std::getenv("SORREL_HTTP_CA_FILE"); file && *file) authorities = file;
  acceptingUnknownAuthority = UnknownAuthoritiesAccepted();
  authenticate = request.IsAuthenticationEnabled();
  if (authenticate) {
    userName = request.GetUserName().str();
    password = request.GetPassword().str();
  }
}

bool HttpTransfer::Prepare() {
  curl_easy_cleanup(easy);
  easy = curl_easy_init();
  bool ok = easy != nullptr && headers != nullptr;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
  };
  set(CURLOPT_SHARE, CurlShare::Handle());
  set(CURLOPT_COOKIEFILE, "");
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_POST, 1L);
  set(CURLOPT_HTTPHEADER, headers);
  set(CURLOPT_USERAGENT, kAgent);
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_CONNECTTIMEOUT_MS, connectMilliseconds);
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, &HttpTransfer::CheckProgress);
  set(CURLOPT_XFERINFODATA, this);
  set(CURLOPT_WRITEFUNCTION, &HttpTransfer::ReceiveBody);
  set(CURLOPT_WRITEDATA, this);
  // A declared length over the limit fails before the body is read; a
  // chunked or unframed body is cut off by ReceiveBody once it passes it.
  set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(largestAnswer));
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  if (acceptingUnknownAuthority) {
    // No TLS session of a lenient handshake is kept, and a TLS option that
    // strict transfers do not set keeps its connections apart from theirs:
    // libcurl reuses a connection only under equal TLS options. The option
    // itself changes little here: a chain that ends at a trusted
    // intermediate passes as one of an unknown authority, with the warning.
    set(CURLOPT_SSL_SESSIONID_CACHE, 0L);
    set(CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NO_PARTIALCHAIN));
    set(CURLOPT_SSL_CTX_FUNCTION, &HttpTransfer::PrepareTlsContext);
  }
  set(CURLOPT_PROXYAUTH, static_cast<long>(proxyMethods));
  if (!authorities.empty()) set(CURLOPT_CAINFO, authorities.c_str());
  if (authenticate) {
    set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
    set(CURLOPT_USERNAME, userName.c_str());
    set(CURLOPT_PASSWORD, password.c_str());
  }
  // No user name means no proxy credentials: nothing is sent rather than an empty pair.
  if (!proxyUserName.empty()) {
    set(CURLOPT_PROXYUSERNAME, proxyUserName.c_str());
    set(CURLOPT_PROXYPASSWORD, proxyPassword.c_str());
  }
  if (!ok) {
    const std::string message = "libcurl refused a handle or an option for " + url;
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
  }
  easyUnsent = ok;
  return ok;
}

void HttpTransfer::SetProxyCredentials(const CString& userName, const CString& password,
                                       unsigned long methods) {
  proxyUserName = userName.str();
  proxyPassword = password.str();
  proxyMethods = methods;
  easyUnsent = false;
}

unsigned long HttpTransfer::ProxyMethodsOffered() const {
  long offered = 0;
  if (curl_easy_getinfo(easy, CURLINFO_PROXYAUTH_AVAIL, &offered) != CURLE_OK) return 0;
  return static_cast<unsigned long>(offered);
}

CURLcode HttpTransfer::PrepareTlsContext(CURL*, void* context, void*) {
  SSL_CTX_set_verify(static_cast<SSL_CTX*>(context), SSL_VERIFY_PEER,
                     &VerifyAllowingUnknownAuthority);
  return CURLE_OK;
}

DWORD HttpTransfer::Send(const CString& text) {
  if (!easyUnsent && !Prepare()) return ERROR_INTERNET_INTERNAL_ERROR;
  easyUnsent = false;
  postBody = text.str();
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, postBody.c_str());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody.size()));
  ByteBuffer* fresh = new ByteBuffer();
  delete body;
  body = fresh;
  answerTooLarge = outOfMemory = false;
  idleExpired = false;
  lastDownloaded = lastUploaded = 0;
  lastActivity = std::chrono::steady_clock::now();
  statusCode = 0;

  unknownAuthorityLetThrough = false;
  const CURLcode result = Perform();
  unknownAuthorityAccepted = unknownAuthorityLetThrough;
  long connectCode = 0;
  curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
  if (result == CURLE_OK) {
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    statusCode = static_cast<unsigned long>(code);
    return 0;
  }
  // A proxy that refuses to open a tunnel answers with a status of its own.
  if (connectCode >= 300) {
    statusCode = static_cast<unsigned long>(connectCode);
    ByteBuffer* empty = new ByteBuffer();
    delete body;
    body = empty;
    return 0;
  }
  return MapFailure(result);
}

CURLcode HttpTransfer::Perform() {
  CURLM* multi = KeptMulti();
  if (multi == nullptr) return curl_easy_perform(easy);
  if (const CURLMcode added = curl_multi_add_handle(multi, easy); added != CURLM_OK) {
    const std::string message =
        std::string("libcurl's multi handle refused a transfer: ") + curl_multi_strerror(added);
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
    return CURLE_OUT_OF_MEMORY;
  }
  // libcurl's own time-outs shorten the wait; a second at most, as
  // curl_easy_perform waits, keeps the idle check as frequent as there.
  int running = 1;
  CURLMcode state = CURLM_OK;
  while (state == CURLM_OK && running > 0) {
    state = curl_multi_perform(multi, &running);
    if (state == CURLM_OK && running > 0) state = curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
  }
  CURLcode result = CURLE_OK;
  if (state != CURLM_OK) {
    const std::string message =
        std::string("libcurl's multi handle failed: ") + curl_multi_strerror(state);
    ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
    result = state == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
  }
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy) result = message->data.result;
  }
  curl_multi_remove_handle(multi, easy);
  return result;
}

DWORD HttpTransfer::MapFailure(CURLcode result) {
  long osError = 0;
  curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
  switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_FUNCTION_ARGUMENT:
      return MapRefusedAnswer(result);
    case CURLE_URL_MALFORMAT:
      return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_ABORTED_BY_CALLBACK:
      return idleExpired ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_INTERNAL_ERROR;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_PARTIAL_FILE:
      return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_SSL_CONNECT_ERROR:
      return osError == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET
                                   : ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_PEER_FAILED_VERIFICATION:
      return MapCertificateFailure();
    case CURLE_FILESIZE_EXCEEDED:
      answerTooLarge = true;
      return ERROR_NOT_ENOUGH_MEMORY;
    case CURLE_OUT_OF_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    case CURLE_WRITE_ERROR:
      return answerTooLarge || outOfMemory ? ERROR_NOT_ENOUGH_MEMORY
                                           : ERROR_INTERNET_INTERNAL_ERROR;
    default:
      return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

DWORD HttpTransfer::MapRefusedAnswer(CURLcode result) {
  // The scheme was checked and the options taken before sending; once
  // connected these mean an answer that was not HTTP at all, or a header
  // line libcurl cannot store (a folded first line, a line without a colon).
  curl_off_t connectTime = 0;
  curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
  if (connectTime > 0) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  return result == CURLE_UNSUPPORTED_PROTOCOL ? ERROR_INTERNET_UNRECOGNIZED_SCHEME
                                              : ERROR_INTERNET_INTERNAL_ERROR;
}

DWORD HttpTransfer::MapCertificateFailure() {
  long verifyResult = 0;
  curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
  // The chain verified (or only its authority was unknown and let through)
  // but the name did not match: libcurl checks the host name itself after
  // OpenSSL's verification.
  if (verifyResult == 0 || verifyResult == kNotVerified) {
    return ERROR_INTERNET_SEC_CERT_CN_INVALID;
  }
  if (verifyResult == kCertificateExpired || verifyResult == kCertificateNotYetValid) {
    return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
  }
  return ERROR_INTERNET_INVALID_CA;
}

size_t HttpTransfer::ReceiveBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<HttpTransfer*>(user);
  const size_t length = size * count;
  if (transfer->body->GetLength() + length > transfer->largestAnswer) {
    transfer->answerTooLarge = true;
    return 0;
  }
  if (length == 0) return 0;
  auto* block = new (std::nothrow) unsigned char[length];
  if (block == nullptr) {
    transfer->outOfMemory = true;
    return 0;
  }
  std::memcpy(block, data, length);
  transfer->body->Append(block, static_cast<unsigned int>(length));
  return length;
}

int HttpTransfer::CheckProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t,
                                curl_off_t uploaded) {
  auto* transfer = static_cast<HttpTransfer*>(user);
  const auto now = std::chrono::steady_clock::now();
  if (downloaded != transfer->lastDownloaded || uploaded != transfer->lastUploaded) {
    transfer->lastDownloaded = downloaded;
    transfer->lastUploaded = uploaded;
    transfer->lastActivity = now;
    return 0;
  }
  const auto idle =
      std::chrono::duration_cast<std::chrono::milliseconds>(now - transfer->lastActivity);
  if (idle.count() < transfer->idleMilliseconds) return 0;
  transfer->idleExpired = true;
  return 1;
}
