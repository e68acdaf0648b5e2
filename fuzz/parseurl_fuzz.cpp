// Takes arbitrary text apart as a URL. A URL that parses as http or https
// must parse again to the same pieces once rebuilt with its port written.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/HttpRequest.h"
#include "net/WebUtil.h"
#include "support/Logger.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The "kernel" logger that the net classes take lives until logging is
  // uninitialized, as a client does at its end.
  static const bool registered = std::atexit([] { Logger::uninitialize(); }) == 0;
  (void)registered;
  const CString url(std::string(reinterpret_cast<const char*>(data), size));
  ParsedUrl parsed = WebUtil::ParseUrl(url);
  const bool valid = WebUtil::IsValidUrl(url);
  if (valid == (parsed.serviceType == AFX_INET_SERVICE_UNK)) std::abort();
  HttpRequest request(url);
  if (request.GetServerName() != parsed.serverName) std::abort();
  WebUtil::BuildAuthenticatedUrl(parsed);
  if (!valid || (parsed.serviceType != AFX_INET_SERVICE_HTTP &&
                 parsed.serviceType != AFX_INET_SERVICE_HTTPS)) {
    return 0;
  }
  const ParsedUrl again = WebUtil::ParseUrl(WebUtil::BuildUnauthenticatedUrl(parsed));
  if (again.serviceType != parsed.serviceType || again.serverName != parsed.serverName ||
      again.port != parsed.port || again.object != parsed.object) {
    std::abort();
  }
  return 0;
}
