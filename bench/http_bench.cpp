// 1,000 sequential form POSTs of a 200-byte body to a loopback server,
// through HttpController::Connect and through raw libcurl with one reused
// easy handle, side by side; and the cost of building a 20-parameter body.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "net/HttpAuthenticator.h"
#include "net/HttpController.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "tests/servers/ScriptedHttpServer.h"

namespace {

constexpr int kPosts = 1000;

class Decline : public HttpAuthenticator {
 public:
  bool GetAuthentication(HttpRequest&, CString&, CString&) override { return false; }
  bool GetProxyAuthentication(HttpRequest&, CString&, CString&) override { return false; }
};

ScriptedHttpServer& Server() {
  static ScriptedHttpServer server;
  return server;
}

// Ten parameters whose encoded body is exactly 200 bytes.
void FillForm(HttpRequest& request) {
  for (int i = 0; i < 10; ++i) {
    request.SetParameter(("field" + std::to_string(i)).c_str(), std::string(13, 'a' + i).c_str());
  }
}

void BM_ConnectPost(benchmark::State& state) {
  ::setenv("no_proxy", "*", 1);
  const std::string url = Server().Url("/bench");
  HttpController controller;
  Decline authenticator;
  for (auto _ : state) {
    HttpRequest request(url.c_str());
    FillForm(request);
    std::unique_ptr<HttpResponse> response(controller.Connect(request, authenticator));
    if (response->GetStatusCode() != 200) state.SkipWithError("no 200");
  }
}
BENCHMARK(BM_ConnectPost)->Iterations(kPosts)->Unit(benchmark::kMicrosecond);

size_t Collect(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

void BM_RawCurlReusedHandle(benchmark::State& state) {
  ::setenv("no_proxy", "*", 1);
  const std::string url = Server().Url("/bench");
  HttpRequest form(url.c_str());
  FillForm(form);
  const std::string body = form.GetQueryString().str();
  CURL* easy = curl_easy_init();
  std::string answer;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
  for (auto _ : state) {
    answer.clear();
    long status = 0;
    curl_easy_perform(easy);
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) state.SkipWithError("no 200");
  }
  curl_easy_cleanup(easy);
}
BENCHMARK(BM_RawCurlReusedHandle)->Iterations(kPosts)->Unit(benchmark::kMicrosecond);

void BM_GetQueryString20(benchmark::State& state) {
  HttpRequest request("http://127.0.0.1/");
  for (int i = 0; i < 20; ++i) {
    request.SetParameter(("name" + std::to_string(i)).c_str(), "some value & more");
  }
  for (auto _ : state) benchmark::DoNotOptimize(request.GetQueryString());
}
BENCHMARK(BM_GetQueryString20);

}  // namespace
