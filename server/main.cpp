// sorrel-server: the reference search server. See docs/server.md.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/SampleBase.h"
#include "server/SorrelServer.h"

namespace {

constexpr size_t kSampleDocuments = 2000;

const char kUsage[] =
    "usage: sorrel-server [--port N] [--host ADDRESS] [--base DIR]... [--users FILE]\n"
    "                     [--session-timeout SECONDS] [--tls-cert FILE --tls-key FILE]\n"
    "                     [--threads N] [--max-body BYTES] [--guard-path PATH --guard-user U:P]\n"
    "       sorrel-server --generate-base DIR [--documents N] [--name NAME]\n"
    "Without --base it serves the sample base SAMPLE (generated on first use).\n";

bool Number(const char* text, long long low, long long high, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high;
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "sorrel-server: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  SorrelServer::Options options;
  options.port = 8080;
  std::string generate, name = "SAMPLE", guard;
  long long documents = kSampleDocuments;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= args.size()) return Usage("missing value after " + arg);
    const char* value = args[++i].c_str();
    long long number = 0;
    if (arg == "--port") {
      if (!Number(value, 0, 65535, number)) return Usage("bad port");
      options.port = static_cast<int>(number);
    } else if (arg == "--host") {
      options.host = value;
    } else if (arg == "--base") {
      options.bases.push_back(value);
    } else if (arg == "--users") {
      options.usersFile = value;
    } else if (arg == "--session-timeout") {
      if (!Number(value, 1, 365LL * 24 * 3600, number)) return Usage("bad session timeout");
      options.sessionTimeout = std::chrono::seconds(number);
    } else if (arg == "--tls-cert") {
      options.tlsCert = value;
    } else if (arg == "--tls-key") {
      options.tlsKey = value;
    } else if (arg == "--threads") {
      if (!Number(value, 1, 1024, number)) return Usage("bad thread count");
      options.threads = static_cast<size_t>(number);
    } else if (arg == "--max-body") {
      if (!Number(value, 1024, 1LL << 32, number)) return Usage("bad body limit");
      options.maxBody = static_cast<size_t>(number);
    } else if (arg == "--guard-path") {
      options.guardPath = value;
    } else if (arg == "--guard-user") {
      guard = value;
    } else if (arg == "--generate-base") {
      generate = value;
    } else if (arg == "--documents") {
      if (!Number(value, 1, 100000000, number)) return Usage("bad document count");
      documents = number;
    } else if (arg == "--name") {
      name = value;
    } else {
      return Usage("unknown option " + arg);
    }
  }
  std::string error;
  if (!generate.empty()) {
    if (!SampleBase::Write(generate, name, static_cast<size_t>(documents), error)) {
      std::fprintf(stderr, "sorrel-server: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (!options.guardPath.empty()) {
    size_t colon = guard.find(':');
    if (colon == std::string::npos) return Usage("--guard-path needs --guard-user USER:PASSWORD");
    options.guardUser = guard.substr(0, colon);
    options.guardPassword = guard.substr(colon + 1);
  }
  if (options.tlsCert.empty() != options.tlsKey.empty()) {
    return Usage("--tls-cert and --tls-key go together");
  }
  if (options.usersFile.empty()) options.usersFile = SORREL_SERVER_USERS_FILE;
  if (options.bases.empty()) {
    std::string sample = SORREL_SAMPLE_BASE_DIR;
    if (!std::filesystem::exists(std::filesystem::path(sample) / "documents.ktf") &&
        !SampleBase::Write(sample, "SAMPLE", kSampleDocuments, error)) {
      std::fprintf(stderr, "sorrel-server: %s\n", error.c_str());
      return 1;
    }
    // The facsimile pages that the first document names (its FP fields):
    // two of the bundled CROFT records, real Group 4 pages.
    const std::pair<const char*, const char*> pages[] = {{"drawing.croft", "EP1000000A1-1.croft"},
                                                         {"claims.croft", "EP1000000A1-2.croft"}};
    for (const auto& [source, target] : pages) {
      std::error_code failed;
      const std::filesystem::path to = std::filesystem::path(sample) / target;
      if (!std::filesystem::exists(to))
        std::filesystem::copy_file(std::filesystem::path(SORREL_SAMPLE_CROFT_DIR) / source, to,
                                   failed);
      if (failed)
        std::fprintf(stderr, "sorrel-server: facsimile page %s not added: %s\n", target,
                     failed.message().c_str());
    }
    options.bases.push_back(sample);
  }

  // SIGINT and SIGTERM are taken by one thread that stops the server; every
  // other thread, the server's workers included, has them blocked.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  SorrelServer server;
  if (!server.Start(options, error)) {
    std::fprintf(stderr, "sorrel-server: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", server.ServletUrl().c_str());
  std::fflush(stdout);
  std::thread stopper([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
  });
  bool served = server.Serve();
  // Wake the stopper when the server ended on its own.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  std::fprintf(stderr, "sorrel-server: stopped\n");
  return served ? 0 : 1;
}
