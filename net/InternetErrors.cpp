#include "net/InternetErrors.h"

namespace {

struct InternetError {
  DWORD code;
  const char* text;
};

constexpr InternetError kInternetErrors[] = {
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_INTERNET_TIMEOUT, "The request has timed out."},
    {ERROR_INTERNET_INTERNAL_ERROR, "An internal error has occurred."},
    {ERROR_INTERNET_INVALID_URL, "The URL is invalid."},
    {ERROR_INTERNET_UNRECOGNIZED_SCHEME,
     "The URL scheme could not be recognized, or is not supported."},
    {ERROR_INTERNET_NAME_NOT_RESOLVED, "The server name could not be resolved."},
    {ERROR_INTERNET_CANNOT_CONNECT, "The attempt to connect to the server failed."},
    {ERROR_INTERNET_CONNECTION_ABORTED, "The connection with the server has been terminated."},
    {ERROR_INTERNET_CONNECTION_RESET, "The connection with the server has been reset."},
    {ERROR_INTERNET_SEC_CERT_DATE_INVALID,
     "SSL certificate date that was received from the server is bad. The certificate is "
     "expired."},
    {ERROR_INTERNET_SEC_CERT_CN_INVALID,
     "SSL certificate common name (host name field) is incorrect."},
    {ERROR_INTERNET_INVALID_CA,
     "The function is unfamiliar with the Certificate Authority that generated the server's "
     "certificate."},
    {ERROR_HTTP_INVALID_SERVER_RESPONSE, "The server response could not be parsed."},
};

}  // namespace

const char* InternetErrorText(DWORD code) {
  for (const InternetError& error : kInternetErrors) {
    if (error.code == code) return error.text;
  }
  return nullptr;
}
