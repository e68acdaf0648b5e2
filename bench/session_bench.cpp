// One question on an open session against the reference search server:
// InternetAccessController::ExecuteQuery beside the same POST (same body,
// same session cookie) through raw libcurl with one reused easy handle, and
// the session engine's ServerConnection::Query (the reply as a value) above it.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "iac/InternetAccessController.h"
#include "net/HttpRequest.h"
#include "session/ServerConnection.h"
#include "support/Crypto.h"
#include "support/StringUtil.h"
#include "tests/common/ReferenceServer.h"

namespace {

class NoProxy : public ProxyAuthenticator {
 public:
  CString GetProxyUserName() override { return ""; }
  CString GetProxyPassword() override { return ""; }
};

ReferenceServer& Server() {
  static ReferenceServer server;
  return server;
}

const char* kQuestion = "TI AB=solar OR TI AB=cell";

void BM_ExecuteQuery(benchmark::State& state) {
  ::setenv("no_proxy", "*", 1);
  NoProxy proxy;
  CString url = Server().ServletAs("demo", "demo").c_str();
  InternetAccessController controller(url, proxy);
  CString base = "SMALL";
  CString question = kQuestion;
  CMapStringToString none;
  CString answer;
  if (!controller.TestConnection(controller)) state.SkipWithError("login refused");
  for (auto _ : state) {
    answer.Empty();
    controller.ExecuteQuery(base, question, none, 1, 10, answer);
    if (answer.IsEmpty()) state.SkipWithError("no answer");
  }
}
BENCHMARK(BM_ExecuteQuery)->Iterations(1000)->Unit(benchmark::kMicrosecond);

void BM_SessionQuery(benchmark::State& state) {
  ::setenv("no_proxy", "*", 1);
  ServerConnection connection(
      Server().Servlet(),
      [](std::string& user, std::string& password) {
        user = password = "demo";
        return true;
      },
      nullptr);
  if (!connection.Login().delivered()) state.SkipWithError("login refused");
  for (auto _ : state) {
    const ServerReply reply = connection.Query("SMALL", kQuestion, 1, 10);
    if (!reply.delivered() || reply.body.empty()) state.SkipWithError("no answer");
  }
}
BENCHMARK(BM_SessionQuery)->Iterations(1000)->Unit(benchmark::kMicrosecond);

size_t Collect(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

void BM_RawCurlSameQuestion(benchmark::State& state) {
  ::setenv("no_proxy", "*", 1);
  // The body ExecuteQuery sends, built the same way.
  HttpRequest form(Server().Servlet().c_str());
  for (const auto& [name, value] : {std::pair{"iac_op", "2"},
                                    {"iac_base", "SMALL"},
                                    {"action", "r"},
                                    {"version", "2.20"},
                                    {"position", "1"},
                                    {"hits", "1"},
                                    {"fichier_ktf", "auto"},
                                    {"taille", "10"},
                                    {"base", "SMALL"},
                                    {"question", kQuestion}})
    form.SetParameter(name, value);
  const std::string body = form.GetQueryString().c_str();
  CString password = "demo";
  CString digest;
  if (!Crypto::HashString(password, digest)) state.SkipWithError("no digest");
  const std::string login = std::string("iac_user=demo&iac_pwd=") + digest.c_str();
  const std::string loginUrl = Server().Root() + "UserAuthentication";

  CURL* handle = curl_easy_init();
  std::string answer;
  curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(handle, CURLOPT_URL, loginUrl.c_str());
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, login.c_str());
  if (curl_easy_perform(handle) != CURLE_OK) state.SkipWithError("login failed");
  curl_easy_setopt(handle, CURLOPT_URL, Server().Servlet().c_str());
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
  for (auto _ : state) {
    answer.clear();
    long status = 0;
    if (curl_easy_perform(handle) != CURLE_OK ||
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
      state.SkipWithError("no 200");
  }
  curl_easy_cleanup(handle);
}
BENCHMARK(BM_RawCurlSameQuestion)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
