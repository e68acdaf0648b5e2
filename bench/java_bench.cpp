// The Java bridge's cost: the one-time start of the virtual machine, joining
// it again, and a GetXmlData round trip against a loopback register server,
// side by side with the same HTTP GET made from C++ through libcurl (one
// reused handle, as the Java side reuses its client's connections).
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "java/JavaControllerWrapper.h"
#include "java/LUXQuery.h"
#include "support/Exception.h"

namespace {

// Serves the register document of EP 1000000 A1 on a loopback port.
class Server {
 public:
  Server() {
    std::ifstream in(SORREL_SOURCE_DIR "/tests/data/java/EP1000000A1.xml", std::ios::binary);
    document_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    server_.Get("/sorrel/register", [this](const httplib::Request&, httplib::Response& response) {
      response.set_content(document_, "application/xml");
    });
    server_.set_tcp_nodelay(true);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
    setenv("TRELLIS_SERVER_URL", SearchUrl().c_str(), 1);
  }
  ~Server() {
    server_.stop();
    thread_.join();
  }
  std::string SearchUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/sorrel/Search";
  }
  std::string RegisterUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) +
           "/sorrel/register?country=EP&number=1000000&kind=A1&biblio=1&family=1&legal=1";
  }
  size_t size() const { return document_.size(); }

 private:
  std::string document_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

Server& TheServer() {
  static Server server;
  return server;
}

JavaControllerWrapper& Bridge() {
  static JavaControllerWrapper bridge;
  return bridge;
}

// Sets the bridge up; true when Initialize succeeded.
bool Initialize(benchmark::State& state) {
  static const std::string path = std::string(TRELLIS_DIR ":") + std::getenv("PATH");
  setenv("PATH", path.c_str(), 1);
  CString home = SORREL_JAVA_HOME, classPath = TRELLIS_JAR, libraryPath;
  Bridge().SetJavaHome(home);
  Bridge().SetClassPath(classPath);
  Bridge().SetLibraryPath(libraryPath);
  try {
    Bridge().Initialize();
    return true;
  } catch (Exception* e) {
    state.SkipWithError(e->GetMessageA().c_str());
    delete e;
    return false;
  }
}

// Registered first, so that it starts the process's only virtual machine.
void BM_JvmStart(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!Initialize(state)) return;
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_JvmStart)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Each Initialize puts the Java home's folders in front of PATH again; the
// old PATH is restored between iterations so that the search stays the same.
void BM_InitializeJoinsRunningJvm(benchmark::State& state) {
  const std::string path = std::getenv("PATH");
  for (auto _ : state) {
    if (!Initialize(state)) return;
    state.PauseTiming();
    setenv("PATH", path.c_str(), 1);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_InitializeJoinsRunningJvm)->Unit(benchmark::kMicrosecond);

void BM_GetXmlData(benchmark::State& state) {
  TheServer();
  if (!Initialize(state)) return;
  LUXQuery query;
  query.SetSearchType(LUXQuery::PUBLICATION_NUMBER);
  query.SetPatentCountry("EP");
  query.SetPatentNumber("1000000");
  query.SetPatentKind("A1");
  query.SetBibliographicDataRetrievalEnabled(true);
  query.SetFamilyDataRetrievalEnabled(true);
  query.SetLegalStatusDataRetrievalEnabled(true);
  // The first calls load the HTTP client's classes and compile the hot paths.
  for (int warmUp = 0; warmUp <= 200; ++warmUp) {
    CString result;
    try {
      Bridge().GetXmlData(query, result);
    } catch (Exception* e) {
      state.SkipWithError(e->GetMessageA().c_str());
      delete e;
      return;
    }
  }
  for (auto _ : state) {
    CString result;
    Bridge().GetXmlData(query, result);
    benchmark::DoNotOptimize(result.GetLength());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheServer().size()));
}
BENCHMARK(BM_GetXmlData)->Unit(benchmark::kMicrosecond);

size_t Append(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

void BM_CurlGetReference(benchmark::State& state) {
  const std::string url = TheServer().RegisterUrl();
  CURL* curl = curl_easy_init();
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  for (auto _ : state) {
    body.clear();
    if (curl_easy_perform(curl) != CURLE_OK) {
      state.SkipWithError("libcurl GET failed");
      break;
    }
    benchmark::DoNotOptimize(body.size());
  }
  curl_easy_cleanup(curl);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TheServer().size()));
}
BENCHMARK(BM_CurlGetReference)->Unit(benchmark::kMicrosecond);

}  // namespace
