// The server's request handling on arbitrary requests: the first line of the
// input is the path below the root, the rest a form body. Requests come with
// the cookie of a logged-in session over a copy of the tests' small base, so
// the servlet's operations, its question parser and the engine all run.
// Every answer must be a status the protocol knows, an error answer must be
// an error page, and the engine must never fail on its own.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "server/Answer.h"
#include "server/RequestParams.h"
#include "server/ServerProtocol.h"
#include "support/Crypto.h"

namespace {

struct Server {
  ServerProtocol* protocol = nullptr;
  std::string cookie;
};

Server& Started() {
  static Server server = [] {
    char folder[] = "/tmp/server_request_fuzz.XXXXXX";
    if (mkdtemp(folder) == nullptr) __builtin_trap();
    std::filesystem::copy(SORREL_SOURCE_DIR "/tests/server/data/small", folder,
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove(std::filesystem::path(folder) / "index.sqlite");
    ServerProtocol::Settings settings;
    settings.root = "/sorrel/";
    settings.usersFile = SORREL_SOURCE_DIR "/examples/server/users.ini";
    settings.bases = {folder};
    settings.sessionTimeout = std::chrono::hours(24);
    settings.maxRecords = 1000;
    settings.xmlServer = true;
    Server started;
    started.protocol = new ServerProtocol(settings);
    std::string error;
    if (!started.protocol->Open(error)) __builtin_trap();
    CString password("demo"), digest;
    if (Crypto::HashString(password, digest) != 1) __builtin_trap();
    RequestParams login;
    login.AddForm(std::string("iac_user=demo&iac_pwd=") + static_cast<const char*>(digest));
    Answer answer;
    started.protocol->Route("UserAuthentication", login, "", "127.0.0.1", answer);
    if (answer.cookie.empty()) __builtin_trap();
    started.cookie = answer.cookie;
    return started;
  }();
  return server;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Server& server = Started();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t newline = input.find('\n');
  std::string path(input.substr(0, newline));
  // Logging in or out again would end the session the other inputs use.
  if (path == "UserAuthentication" || path == "UserDisconnection") return 0;
  RequestParams params;
  if (newline != std::string_view::npos) params.AddForm(input.substr(newline + 1));
  Answer answer;
  server.protocol->Route(path, params, server.cookie, "127.0.0.1", answer);
  switch (answer.status) {
    case 200:
      break;
    case 400:
    case 401:
    case 404:
    case 413:
    case 500:
      // An error page, or the register's plain-text refusal.
      if (answer.body.find("<title>sorrel.server.") == std::string::npos &&
          answer.contentType.rfind("text/plain", 0) != 0) {
        __builtin_trap();
      }
      if (answer.body.rfind("<html><head><title>sorrel.server.SearchEngineException:", 0) == 0) {
        __builtin_trap();
      }
      break;
    default:
      __builtin_trap();
  }
  return 0;
}
