// sorrel-server beside SQLite: the same questions asked over HTTP of the
// server (parse, evaluate, fetch ten documents, answer) and as FTS5 queries
// straight to the server's index (match, collect the hits, fetch ten
// documents). The ratio is the server's own overhead. The base of 100,000
// generated documents is written and indexed on the first run into
// $SORREL_BENCH_DIR (default: bench/base-100k in the build folder).
//
// Memory: with SORREL_BENCH_1M=1 a base of 1,000,000 documents is made too,
// and BM_ServerMemory1M reports the server process's resident size after it
// opened that base and answered a question (counter rss_mb).
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "server/SampleBase.h"
#include "server/SorrelServer.h"

namespace {

struct Question {
  const char* name;
  const char* ktf;  // what the server is asked
  const char* fts;  // the same question for FTS5
};

const Question kQuestions[] = {
    {"simple", "TI AB=solar", "{f_ti f_ab} : \"solar\""},
    {"boolean", "TI AB=(pump OR valve) AND PA=nordic ANDNOT TI=housing",
     "(({f_ti f_ab} : \"pump\") OR ({f_ti f_ab} : \"valve\")) AND ({f_pa} : \"nordic\") NOT "
     "({f_ti} : \"housing\")"},
    // FTS5's NEAR does not keep the order; the server checks it as well.
    {"proximity", "TI AB=solar +3W cell", "{f_ti f_ab} : NEAR(\"solar\" \"cell\", 3)"},
};

std::string BaseFolder(const char* name, size_t count) {
  const char* root = std::getenv("SORREL_BENCH_DIR");
  std::filesystem::path folder =
      std::filesystem::path(root ? root : SORREL_BENCH_DEFAULT_DIR) / name;
  if (!std::filesystem::exists(folder / "documents.ktf")) {
    std::string error;
    if (!SampleBase::Write(folder.string(), "BENCH", count, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
  }
  return folder.string();
}

// One server on the 100k base for the whole run.
class Fixture {
 public:
  static Fixture& Get() {
    static Fixture fixture;
    return fixture;
  }
  std::string Url() const { return url_; }
  const std::string& Folder() const { return folder_; }

 private:
  Fixture() : folder_(BaseFolder("base-100k", 100000)) {
    SorrelServer::Options options;
    options.bases = {folder_};
    options.usersFile = SORREL_SOURCE_DIR "/examples/server/users.ini";
    options.xmlServer = true;
    options.log = [](const std::string&) {};
    std::string error;
    if (!server_.Start(options, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    thread_ = std::thread([this] { server_.Serve(); });
    url_ = "http://127.0.0.1:" + std::to_string(server_.Port()) + "/sorrel/search.cgi";
  }
  ~Fixture() {
    server_.Stop();
    thread_.join();
  }
  std::string folder_;
  SorrelServer server_;
  std::thread thread_;
  std::string url_;
};

size_t Discard(char*, size_t size, size_t count, void* total) {
  *static_cast<size_t*>(total) += size * count;
  return size * count;
}

void BM_Server(benchmark::State& state, const Question& question) {
  Fixture& fixture = Fixture::Get();
  CURL* curl = curl_easy_init();
  char* encoded = curl_easy_escape(curl, question.ktf, 0);
  std::string body =
      "iac_op=2&iac_base=BENCH&action=r&position=1&taille=10&question=" + std::string(encoded);
  curl_free(encoded);
  size_t bytes = 0;
  curl_easy_setopt(curl, CURLOPT_URL, fixture.Url().c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
  for (auto _ : state) {
    if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("request failed");
  }
  curl_easy_cleanup(curl);
  state.counters["qps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Sqlite(benchmark::State& state, const Question& question) {
  Fixture& fixture = Fixture::Get();
  sqlite3* db = nullptr;
  sqlite3_open_v2((fixture.Folder() + "/index.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* match = nullptr;
  sqlite3_stmt* fetch = nullptr;
  sqlite3_prepare_v2(db, "SELECT rowid FROM fts WHERE fts MATCH ?1 ORDER BY rowid", -1, &match,
                     nullptr);
  sqlite3_prepare_v2(db, "SELECT ktf FROM docs WHERE id = ?1", -1, &fetch, nullptr);
  size_t hits = 0;
  for (auto _ : state) {
    std::vector<sqlite3_int64> ids;
    sqlite3_reset(match);
    sqlite3_bind_text(match, 1, question.fts, -1, SQLITE_STATIC);
    while (sqlite3_step(match) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(match, 0));
    for (size_t i = 0; i < ids.size() && i < 10; ++i) {
      sqlite3_reset(fetch);
      sqlite3_bind_int64(fetch, 1, ids[i]);
      if (sqlite3_step(fetch) == SQLITE_ROW)
        benchmark::DoNotOptimize(sqlite3_column_blob(fetch, 0));
    }
    hits = ids.size();
  }
  sqlite3_finalize(match);
  sqlite3_finalize(fetch);
  sqlite3_close(db);
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["qps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

void BM_ServerMemory1M(benchmark::State& state) {
  if (std::getenv("SORREL_BENCH_1M") == nullptr) {
    state.SkipWithError("set SORREL_BENCH_1M=1 to make and measure the 1M base");
    for (auto _ : state) {
    }
    return;
  }
  std::string folder = BaseFolder("base-1m", 1000000);
  long before = ResidentKilobytes();
  SorrelServer server;
  SorrelServer::Options options;
  options.bases = {folder};
  options.usersFile = SORREL_SOURCE_DIR "/examples/server/users.ini";
  options.xmlServer = true;
  options.log = [](const std::string&) {};
  std::string error;
  if (!server.Start(options, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::thread serving([&] { server.Serve(); });
  std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/sorrel/search.cgi";
  CURL* curl = curl_easy_init();
  size_t bytes = 0;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS,
                   "iac_op=2&iac_base=BENCH&action=r&taille=10&question=TI+AB%3Dsolar");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
  for (auto _ : state) curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  state.counters["rss_mb"] = static_cast<double>(ResidentKilobytes()) / 1024.0;
  state.counters["rss_growth_mb"] = static_cast<double>(ResidentKilobytes() - before) / 1024.0;
  server.Stop();
  serving.join();
}

}  // namespace

BENCHMARK_CAPTURE(BM_Server, simple, kQuestions[0])->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Sqlite, simple, kQuestions[0])->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Server, boolean, kQuestions[1])->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Sqlite, boolean, kQuestions[1])->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Server, proximity, kQuestions[2])
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Sqlite, proximity, kQuestions[2])
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ServerMemory1M)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);
