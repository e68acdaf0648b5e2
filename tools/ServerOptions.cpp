#include "tools/ServerOptions.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "net/InternetAccessControllers.h"
#include "platform/ComError.h"

void AddServerOptions(CLI::App& command, ServerOptions& options) {
  command.add_option("--url", options.url, "servlet URL of the search server")->required();
  command.add_option("--user", options.user,
                     "user name (else SORREL_USER); the password comes from SORREL_PASSWORD "
                     "or a prompt on the terminal");
  command.add_flag("--json", options.json, "print one JSON object");
}

int RunServerOperation(const ServerOptions& options, const char* what,
                       const std::function<bool(InternetAccessController&, IacListener&,
                                                CString& output)>& operation) {
  // A failed exchange is shown as a line, noting that no status came back.
  TransportFailures transportFailures;
  EnvironmentProxyAuthenticator proxy;
  ToolListener listener(options);
  CString output;
  bool delivered = false;
  std::string comError;
  {
    InternetAccessControllers registry(proxy);
    CString url = options.url.c_str();
    InternetAccessController& controller = registry.GetInternetAccessController(url);
    try {
      delivered = operation(controller, listener, output);
    } catch (const _com_error& error) {
      comError = error.ErrorMessage().c_str();
    }
  }

  int status = kExitDelivered;
  std::string message;
  if (!comError.empty()) {
    status = kExitOtherAnswer;
    message = "the server's login answer is not well-formed XML (" + comError + ")";
  } else if (delivered) {
    status = kExitDelivered;
  } else if (listener.connectionFailed() || !transportFailures.last().empty()) {
    status = kExitNoAnswer;
    message = "no answer from the server: " + transportFailures.last();
  } else if (listener.refused()) {
    status = kExitLoginRefused;
    message = "authentication refused";
  } else {
    status = kExitOtherAnswer;
    message = std::string("the server did not deliver the ") + what;
  }
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();

  if (options.json) {
    nlohmann::json result = {{"url", options.url},
                             {"ok", status == kExitDelivered},
                             {"exit", status},
                             {"events", listener.events()}};
    if (status == kExitDelivered) {
      result["body"] = std::string(output.c_str(), output.GetLength());
    } else {
      result["error"] = message;
    }
    std::cout << result.dump() << '\n';
  } else if (status == kExitDelivered) {
    std::cout.write(output.c_str(), output.GetLength());
    if (output.GetLength() > 0 && output[output.GetLength() - 1] != '\n') std::cout << '\n';
  } else {
    std::fprintf(stderr, "sorrel: %s\n", message.c_str());
  }
  return status;
}
