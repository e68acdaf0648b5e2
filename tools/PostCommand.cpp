#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "net/HttpAuthenticator.h"
#include "net/HttpController.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "tools/CommandRegistry.h"
#include "tools/TerminalText.h"

namespace {

using Json = nlohmann::ordered_json;

// The tool asks nobody: credentials go in the URL or the proxy variables.
class DecliningAuthenticator : public HttpAuthenticator {
 public:
  bool GetAuthentication(HttpRequest&, CString&, CString&) override { return false; }
  bool GetProxyAuthentication(HttpRequest&, CString&, CString&) override { return false; }
};

struct PostOptions {
  std::string url;                      // where to post
  std::vector<std::string> parameters;  // NAME=VALUE pairs of the form
  bool json = false;                    // one JSON object instead of text
};

int Run(const PostOptions& options) {
  HttpRequest request(options.url.c_str());
  for (const std::string& parameter : options.parameters) {
    const size_t equals = parameter.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw CLI::ValidationError("PARAMETERS", "NAME=VALUE, not '" + parameter + "'");
    }
    request.SetParameter(parameter.substr(0, equals).c_str(), parameter.substr(equals + 1).c_str());
  }
  HttpController controller;
  DecliningAuthenticator authenticator;
  std::unique_ptr<HttpResponse> response(controller.Connect(request, authenticator));
  if (!response->IsConnectionSuccessful()) {
    const std::string error = controller.GetLastErrorMessage().str();
    if (options.json) {
      std::cout << Json{{"url", options.url}, {"connected", false}, {"error", error}}.dump(
                       -1, ' ', false, Json::error_handler_t::replace)
                << '\n';
    } else {
      std::fprintf(stderr, "%s\n", error.c_str());
    }
    return 1;
  }
  CString name("JSESSIONID");
  const std::string cookies = HttpController::GetCookie(request, name).str();
  CString body;
  response->GetString(body);
  if (options.json) {
    const Json result{{"url", options.url},
                      {"connected", true},
                      {"status", response->GetStatusCode()},
                      {"cookies", cookies},
                      {"body", body.str()}};
    std::cout << result.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  } else {
    std::cout << "status: " << response->GetStatusCode() << '\n'
              << "cookies: " << TerminalText::ShownLine(cookies) << '\n'
              << '\n'
              << TerminalText::Shown(std::string_view(body.c_str(), body.GetLength()));
    if (body.GetLength() > 0 && body[body.GetLength() - 1] != '\n') std::cout << '\n';
  }
  return 0;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "post", "Send one form POST; print the status, the cookies held for the URL and the body");
  static PostOptions options;
  command->add_option("URL", options.url, "http or https address")->required();
  command->add_option("PARAMETERS", options.parameters, "form parameters, NAME=VALUE");
  command->add_flag("--json", options.json, "print one JSON object");
  command->footer(
      "Exit status 1 when no HTTP status came back (the failure text is printed).\n"
      "Proxies: http_proxy, https_proxy, no_proxy. Time limits in seconds:\n"
      "SORREL_HTTP_CONNECT_TIMEOUT, SORREL_HTTP_IDLE_TIMEOUT (60 each by default).\n"
      "Largest answer: SORREL_HTTP_MAX_ANSWER_MB (16 by default). Control characters\n"
      "of the answer are shown visibly (^[ for ESC); --json keeps it exact.");
  command->callback([&exitCode] { exitCode = Run(options); });
});

}  // namespace
