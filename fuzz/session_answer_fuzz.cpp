// The session's reading of a search server's answers, end to end. A
// loopback server lets the session in and answers from the input, which
// holds up to three parts, the first two each ended by a form feed: the
// answer to every question (run or checked), the base information, and
// every file (facsimile pages, help). A part that starts with "HTTP NNN\n"
// is sent with that status as an error page. The session then searches,
// prints, keeps, browses and shows the base's information and help.
// Whatever the answers hold, every line gets exactly one result, the end
// status is a documented one, and every file the summary names exists in
// the output folder.
#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "session/BundledFiles.h"
#include "session/CriteriaProfile.h"
#include "session/SearchSession.h"
#include "support/Logger.h"
#include "tests/common/TempDir.h"

namespace {

namespace fs = std::filesystem;

// The lines a session runs on every input.
const char* const kLines[] = {"solar",       "..PR 1-3", "..KE 1,2", "..BR 1",
                              "$1 AND pump", "..INFO",   "..HE"};

class CountingSink : public SessionSink {
 public:
  void Text(const std::string&) override {}
  void Event(const ServerEvent&) override {}
  void Progress(size_t done, size_t total) override {
    if (done > total) std::abort();
  }
  void Result(const LineResult& result) override { results.push_back(result); }
  void Summary(const SessionSummary& summary) override { summaries.push_back(summary); }

  std::vector<LineResult> results;
  std::vector<SessionSummary> summaries;
};

// A loopback HTTP server that answers from the current input (set on the
// fuzzer's thread, read on the server's).
class AnswerServer {
 public:
  AnswerServer() {
    server_.set_tcp_nodelay(true);
    server_.Get(".*",
                [this](const httplib::Request& in, httplib::Response& out) { Serve(in, out); });
    server_.Post(".*",
                 [this](const httplib::Request& in, httplib::Response& out) { Serve(in, out); });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) std::abort();
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~AnswerServer() {
    while (!server_.is_running()) std::this_thread::yield();
    server_.stop();
    thread_.join();
  }

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/sorrel/Search"; }

  void Set(std::string_view input) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::string& part : parts_) {
      // The last part is the rest: a facsimile page may hold form feeds.
      const size_t end = &part == &parts_[2] ? std::string_view::npos : input.find('\f');
      part.assign(input.substr(0, end));
      input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
  }

 private:
  void Serve(const httplib::Request& request, httplib::Response& response) {
    const std::string asked = request.target + "&" + request.body;
    if (asked.find("UserAuthentication") != std::string::npos) {
      response.set_header("Set-Cookie", "JSESSIONID=fuzz; Path=/");
      response.set_content(kOpenSession, "text/xml");
      return;
    }
    if (asked.find("UserDisconnection") != std::string::npos) {
      response.set_content("disconnected", "text/plain");
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (asked.find("action=infos") != std::string::npos)
      return Reply(parts_[1], "text/xml", response);
    if (asked.find("action=f") != std::string::npos)
      return Reply(parts_[2], "text/plain", response);
    Reply(parts_[0], "text/plain; charset=windows-1252", response);
  }

  static void Reply(const std::string& part, const char* type, httplib::Response& response) {
    const int status = part.size() >= 9 && part.compare(0, 5, "HTTP ") == 0 && part[8] == '\n'
                           ? std::atoi(part.substr(5, 3).c_str())
                           : 0;
    if (status >= 100 && status <= 599) {
      response.status = status;
      response.set_content(part.substr(9), "text/html");
    } else {
      response.set_content(part, type);
    }
  }

  static constexpr const char* kOpenSession =
      "<authentication><authenticated>true</authenticated><accountEnabled>true</accountEnabled>"
      "<customerAccountEnabled>true</customerAccountEnabled>"
      "<customerSubscriptionValid>true</customerSubscriptionValid>"
      "<passwordExpired>false</passwordExpired>"
      "<accountValidationRequired>false</accountValidationRequired></authentication>";

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::string parts_[3];
};

struct Fixture {
  Fixture() {
    // The "kernel" logger that the net classes take lives until logging is
    // uninitialized, as a client does at its end.
    std::atexit([] { Logger::uninitialize(); });
    ::setenv("no_proxy", "*", 1);
    ::setenv("SORREL_HTTP_IDLE_TIMEOUT", "2", 1);
    ::setenv("SORREL_HTTP_CONNECT_TIMEOUT", "2", 1);
    std::string error;
    if (!LoadCriteriaProfile(BundledFile("criteria.ini"), config, error)) std::abort();
  }

  VERGER_CONFIG config;
  AnswerServer server;
  TempDir folder;
};

// The end status is a documented one, and every file named was made in
// `folder`.
void CheckSummary(const SessionSummary& summary, const fs::path& folder) {
  if (summary.exitStatus != 0 && summary.exitStatus != 2 && summary.exitStatus != 3 &&
      summary.exitStatus != 4) {
    std::abort();
  }
  for (const std::string& file : summary.files) {
    const fs::path path(file);
    if (*path.lexically_relative(folder).begin() == ".." || !fs::is_regular_file(path)) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fixture;
  fixture.server.Set(std::string_view(reinterpret_cast<const char*>(data), size));
  const fs::path folder = fixture.folder.path();
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) fs::remove_all(entry);

  CountingSink sink;
  SearchSession::Settings settings;
  settings.base = "SAMPLE";
  settings.outDir = folder.string();
  size_t run = 0;
  {
    SearchSession session(
        fixture.server.Url(),
        [](std::string& user, std::string& password) {
          user = "demo";
          password = "demo";
          return true;
        },
        settings, fixture.config, sink);
    for (const char* line : kLines) {
      ++run;
      if (!session.Run(line)) break;
    }
    session.Finish();
  }
  if (sink.results.size() != run || sink.summaries.size() != 1) std::abort();
  CheckSummary(sink.summaries.front(), folder);
  return 0;
}
