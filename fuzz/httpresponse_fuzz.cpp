// Feeds arbitrary bytes as a server's answer to HttpController::Connect
// through a loopback socket: whatever comes back, Connect must return a
// response that either holds a status and a body or says why it has none.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/HttpAuthenticator.h"
#include "net/HttpController.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "support/Logger.h"
#include "tests/servers/FaultServer.h"

namespace {

class Decline : public HttpAuthenticator {
 public:
  bool GetAuthentication(HttpRequest&, CString&, CString&) override { return false; }
  bool GetProxyAuthentication(HttpRequest&, CString&, CString&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The "kernel" logger that the net classes take lives until logging is
  // uninitialized, as a client does at its end.
  static const bool registered = std::atexit([] { Logger::uninitialize(); }) == 0;
  (void)registered;
  static const bool configured = [] {
    ::setenv("no_proxy", "*", 1);
    ::setenv("SORREL_HTTP_IDLE_TIMEOUT", "0.3", 1);
    ::setenv("SORREL_HTTP_CONNECT_TIMEOUT", "1", 1);
    return true;
  }();
  (void)configured;
  FaultServer server(std::string(reinterpret_cast<const char*>(data), size));
  HttpRequest request(server.Url("/fuzz").c_str());
  request.SetParameter("q", "1");
  HttpController controller;
  Decline authenticator;
  std::unique_ptr<HttpResponse> response(controller.Connect(request, authenticator));
  if (response->IsConnectionSuccessful() != (response->GetBytes() != nullptr)) std::abort();
  if (!response->IsConnectionSuccessful() && controller.GetLastErrorMessage().IsEmpty()) {
    std::abort();
  }
  return 0;
}
