// The typical search, stage by stage, each beside its floor, against the
// reference server on its sample base (2,000 documents):
//   translate    VERGER_MODE::command of one line      | memcpy of the line
//   run + fetch  ExecuteQuery of 100 documents         | the same POST, same cookie, raw libcurl
//   SGML         clKTF2SGML, 100 documents to files    | fwrite of the same bytes
//                (and the template reading alone)
//   TIFF         clTiffTools, 2 facsimile pages, file  | fwrite of the same bytes
//   TIFF memory  the CMemFile form                     | memcpy of the same bytes
// and the whole search (translate, check, run, fetch 100, SGML, TIFF) once
// per iteration. Counter per_doc is the wall time per document (per page
// for TIFF).
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "iac/InternetAccessController.h"
#include "image/clTiffTools.h"
#include "net/HttpRequest.h"
#include "platform/CMemFile.h"
#include "ktf/KtfDocumentReader.h"
#include "sgml/clKTF2SGML.h"
#include "support/Crypto.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

namespace {

constexpr int kDocuments = 100;
const char* kLine = "solar 3W cell OR (panel AND roof+)";
const char* kQuestion = "TI AB=solar +3W cell OR (TI AB=panel AND TI AB=roof*)";
const char* kTemplate = SORREL_SOURCE_DIR "/examples/templates/patent.tpl";
const char* kPages[] = {SORREL_SOURCE_DIR "/examples/croft/claims.croft",
                        SORREL_SOURCE_DIR "/examples/croft/drawing.croft"};

class NoProxy : public ProxyAuthenticator {
 public:
  CString GetProxyUserName() override { return ""; }
  CString GetProxyPassword() override { return ""; }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The server, an open session on it, and the 100 documents once fetched.
struct Setup {
  Setup() : server({}, ReferenceServer::Base::kSample) {
    ::setenv("no_proxy", "*", 1);
    CString url = server.ServletAs("demo", "demo").c_str();
    controller = std::make_unique<InternetAccessController>(url, proxy);
    CString answer = Fetch();
    KtfDocumentReader reader;
    if (reader.Parse(std::string(answer.c_str(), answer.GetLength())) &&
        reader.documents().size() > 1) {
      documents.assign(reader.documents().begin() + 1, reader.documents().end());
    }
    for (const char* page : kPages) pages.push_back(ReadAll(page));
    if (!config.add_criter(const_cast<char*>("TI"), CRIT_KNOWN) ||
        !config.add_criter(const_cast<char*>("AB"), CRIT_KNOWN) ||
        !config.add_criter(const_cast<char*>("TI"), CRIT_DEFAULT) ||
        !config.add_criter(const_cast<char*>("AB"), CRIT_DEFAULT)) {
      std::fprintf(stderr, "criteria not registered\n");
    }
  }

  CString Fetch() {
    CString base = "SAMPLE";
    CString question = kQuestion;
    CMapStringToString none;
    CString answer;
    controller->ExecuteQuery(base, question, none, 1, kDocuments, answer);
    return answer;
  }

  // One document into an SGML file.
  bool Sgml(const KtfDocumentReader::Document& document, const std::string& path) {
    clKTF2SGML converter;
    (void)converter.fgKTF2SGML_NewDocument();
    K2S_Return status = converter.fgKTF2SGML_RecoverTemplate(kTemplate, path.c_str());
    if (status == K2S_OK) status = converter.fgKTF2SGML_InsertDocument(document);
    if (status == K2S_OK) status = converter.fgKTF2SGML_BuildSGMLFile();
    return status == K2S_OK;
  }

  ReferenceServer server;
  NoProxy proxy;
  std::unique_ptr<InternetAccessController> controller;
  std::vector<KtfDocumentReader::Document> documents;
  std::vector<std::string> pages;
  VERGER_CONFIG config;
  TempDir out;
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void PerDocument(benchmark::State& state, int perIteration) {
  state.counters["per_doc"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * perIteration,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Translate(benchmark::State& state) {
  VERGER_MODE mode;
  KTF_COMMAND command;
  std::string line = kLine;
  for (auto _ : state) {
    std::vector<char> copy(line.begin(), line.end() + 1);
    if (mode.command(copy.data(), &Shared().config, command) != SYNTAX_OK) {
      state.SkipWithError("not translated");
    }
  }
}

void BM_TranslateFloorMemcpy(benchmark::State& state) {
  std::string line = kLine;
  std::vector<char> copy(line.size() + 1);
  for (auto _ : state) {
    std::memcpy(copy.data(), line.c_str(), line.size() + 1);
    benchmark::DoNotOptimize(copy.data());
  }
}

void BM_RunAndFetch100(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    if (setup.Fetch().IsEmpty()) state.SkipWithError("no answer");
  }
  PerDocument(state, kDocuments);
}

size_t Collect(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

void BM_RunAndFetch100FloorRawCurl(benchmark::State& state) {
  Setup& setup = Shared();
  HttpRequest form(setup.server.Servlet().c_str());
  for (const auto& [name, value] : {std::pair{"iac_op", "2"},
                                    {"iac_base", "SAMPLE"},
                                    {"action", "r"},
                                    {"version", "2.20"},
                                    {"position", "1"},
                                    {"hits", "1"},
                                    {"fichier_ktf", "auto"},
                                    {"taille", "100"},
                                    {"base", "SAMPLE"},
                                    {"question", kQuestion}})
    form.SetParameter(name, value);
  const std::string body = form.GetQueryString().c_str();
  CString password = "demo";
  CString digest;
  (void)Crypto::HashString(password, digest);
  const std::string login = std::string("iac_user=demo&iac_pwd=") + digest.c_str();
  const std::string loginUrl = setup.server.Root() + "UserAuthentication";
  CURL* handle = curl_easy_init();
  std::string answer;
  curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(handle, CURLOPT_URL, loginUrl.c_str());
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, login.c_str());
  curl_easy_perform(handle);
  curl_easy_setopt(handle, CURLOPT_URL, setup.server.Servlet().c_str());
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
  for (auto _ : state) {
    answer.clear();
    if (curl_easy_perform(handle) != CURLE_OK || answer.rfind("HITS=", 0) != 0) {
      state.SkipWithError("no answer");
    }
  }
  curl_easy_cleanup(handle);
  PerDocument(state, kDocuments);
}

void BM_Sgml100(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    for (size_t i = 0; i < setup.documents.size(); ++i) {
      if (!setup.Sgml(setup.documents[i], setup.out.File("d" + std::to_string(i) + ".sgml"))) {
        state.SkipWithError("SGML not written");
      }
    }
  }
  PerDocument(state, static_cast<int>(setup.documents.size()));
}

// The part of the SGML stage that reads the template (once per document, as
// the converter is used).
void BM_Sgml100TemplateOnly(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    for (size_t i = 0; i < setup.documents.size(); ++i) {
      clKTF2SGML converter;
      (void)converter.fgKTF2SGML_NewDocument();
      const std::string path = setup.out.File("t" + std::to_string(i) + ".sgml");
      if (converter.fgKTF2SGML_RecoverTemplate(kTemplate, path.c_str()) != K2S_OK) {
        state.SkipWithError("template not read");
      }
    }
  }
  PerDocument(state, static_cast<int>(setup.documents.size()));
}

void BM_Sgml100FloorFwrite(benchmark::State& state) {
  Setup& setup = Shared();
  std::vector<std::string> bytes;
  for (size_t i = 0; i < setup.documents.size(); ++i) {
    const std::string path = setup.out.File("f" + std::to_string(i) + ".sgml");
    (void)setup.Sgml(setup.documents[i], path);
    bytes.push_back(ReadAll(path));
  }
  for (auto _ : state) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      FILE* file = std::fopen(setup.out.File("f" + std::to_string(i) + ".sgml").c_str(), "wb");
      std::fwrite(bytes[i].data(), 1, bytes[i].size(), file);
      std::fclose(file);
    }
  }
  PerDocument(state, static_cast<int>(bytes.size()));
}

void BM_TiffFile(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    for (size_t i = 0; i < setup.pages.size(); ++i) {
      const std::string path = setup.out.File("p" + std::to_string(i) + ".tif");
      if (!clTiffTools().mConvertCroftToTiff(setup.pages[i].data(), setup.pages[i].size(),
                                             path.c_str())) {
        state.SkipWithError("TIFF not written");
      }
    }
  }
  PerDocument(state, static_cast<int>(setup.pages.size()));
}

void BM_TiffFileFloorFwrite(benchmark::State& state) {
  Setup& setup = Shared();
  std::vector<std::string> bytes;
  for (size_t i = 0; i < setup.pages.size(); ++i) {
    const std::string path = setup.out.File("q" + std::to_string(i) + ".tif");
    (void)clTiffTools().mConvertCroftToTiff(setup.pages[i].data(), setup.pages[i].size(),
                                            path.c_str());
    bytes.push_back(ReadAll(path));
  }
  for (auto _ : state) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      FILE* file = std::fopen(setup.out.File("q" + std::to_string(i) + ".tif").c_str(), "wb");
      std::fwrite(bytes[i].data(), 1, bytes[i].size(), file);
      std::fclose(file);
    }
  }
  PerDocument(state, static_cast<int>(bytes.size()));
}

void BM_TiffMemory(benchmark::State& state) {
  Setup& setup = Shared();
  for (auto _ : state) {
    for (const std::string& page : setup.pages) {
      CMemFile tiff;
      if (!clTiffTools().mConvertCroftToTiff(page.data(), page.size(), tiff)) {
        state.SkipWithError("TIFF not made");
      }
      benchmark::DoNotOptimize(tiff.GetLength());
    }
  }
  PerDocument(state, static_cast<int>(setup.pages.size()));
}

void BM_TiffMemoryFloorMemcpy(benchmark::State& state) {
  Setup& setup = Shared();
  std::vector<std::vector<char>> bytes;
  for (const std::string& page : setup.pages) {
    CMemFile tiff;
    (void)clTiffTools().mConvertCroftToTiff(page.data(), page.size(), tiff);
    const char* data = reinterpret_cast<const char*>(tiff.GetData());
    bytes.emplace_back(data, data + tiff.GetLength());
  }
  for (auto _ : state) {
    for (const auto& page : bytes) {
      std::vector<char> copy(page.size());
      std::memcpy(copy.data(), page.data(), page.size());
      benchmark::DoNotOptimize(copy.data());
    }
  }
  PerDocument(state, static_cast<int>(bytes.size()));
}

// Everything a user waits for, once per iteration.
void BM_WholeSearch(benchmark::State& state) {
  Setup& setup = Shared();
  VERGER_MODE mode;
  KTF_COMMAND command;
  for (auto _ : state) {
    std::string line = kLine;
    std::vector<char> copy(line.begin(), line.end() + 1);
    if (mode.command(copy.data(), &setup.config, command) != SYNTAX_OK) {
      state.SkipWithError("not translated");
    }
    CString base = "SAMPLE";
    CString question = command.expression;
    CMapStringToString none;
    CString checked;
    setup.controller->ParseQuery(base, question, none, checked);
    CString answer;
    setup.controller->ExecuteQuery(base, question, none, 1, kDocuments, answer);
    KtfDocumentReader reader;
    if (!reader.Parse(std::string(answer.c_str(), answer.GetLength()))) {
      state.SkipWithError("no answer");
    }
    for (size_t i = 1; i < reader.documents().size(); ++i) {
      (void)setup.Sgml(reader.documents()[i], setup.out.File("w" + std::to_string(i) + ".sgml"));
    }
    for (size_t i = 0; i < setup.pages.size(); ++i) {
      (void)clTiffTools().mConvertCroftToTiff(
          setup.pages[i].data(), setup.pages[i].size(),
          setup.out.File("w" + std::to_string(i) + ".tif").c_str());
    }
  }
  PerDocument(state, kDocuments);
}

}  // namespace

BENCHMARK(BM_Translate)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_TranslateFloorMemcpy)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_RunAndFetch100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunAndFetch100FloorRawCurl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sgml100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sgml100TemplateOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sgml100FloorFwrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TiffFile)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_TiffFileFloorFwrite)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_TiffMemory)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_TiffMemoryFloorMemcpy)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_WholeSearch)->Unit(benchmark::kMillisecond)->UseRealTime();
