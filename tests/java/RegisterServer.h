#pragma once

#include <httplib.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <regex>
#include <string>
#include <thread>

#include "tests/common/LoopbackPort.h"

// A loopback HTTP server that answers the search server's register requests,
// "GET /sorrel/register?country=CC&number=N&kind=K[&biblio=1][&family=1]
// [&legal=1]", for the one publication of a fixed document: the document with
// the parts not asked for removed, or 404 "patent not found". It keeps the
// last request's query and Via header.
class RegisterServer {
 public:
  explicit RegisterServer(const std::string& documentPath) : port_(FreeLoopbackPort()) {
    std::ifstream in(documentPath, std::ios::binary);
    document_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    server_.Get(
        "/sorrel/register", [this](const httplib::Request& request, httplib::Response& response) {
          std::lock_guard<std::mutex> lock(mutex_);
          lastQuery_ = request.target.substr(request.target.find('?') + 1);
          lastVia_ = request.get_header_value("Via");
          if (request.get_param_value("country") != "EP" ||
              request.get_param_value("number") != "1000000" ||
              request.get_param_value("kind") != "A1") {
            response.status = 404;
            response.set_content("patent not found", "text/plain");
            return;
          }
          response.set_content(Answer(request.has_param("biblio"), request.has_param("family"),
                                      request.has_param("legal")),
                               "application/xml");
        });
    // One request per connection, so that stopping never waits for an idle
    // client's connection to time out.
    server_.set_keep_alive_max_count(1);
    thread_ = std::thread([this] { server_.listen("127.0.0.1", port_); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~RegisterServer() {
    server_.stop();
    thread_.join();
  }
  RegisterServer(const RegisterServer&) = delete;
  RegisterServer& operator=(const RegisterServer&) = delete;

  // The servlet address that clients are given; the register lies beside it.
  std::string SearchUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/sorrel/Search";
  }
  int port() const { return port_; }

  // The document as served when only the given parts are asked for.
  std::string Answer(bool biblio, bool family, bool legal) const {
    std::string answer = document_;
    if (!biblio) answer = Without(answer, "biblio");
    if (!family) answer = Without(answer, "family");
    if (!legal) answer = Without(answer, "legal");
    return answer;
  }
  std::string LastQuery() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastQuery_;
  }
  std::string LastVia() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastVia_;
  }

 private:
  static std::string Without(const std::string& text, const std::string& element) {
    return std::regex_replace(text, std::regex("  <" + element + ">[\\s\\S]*?</" + element + ">\n"),
                              "");
  }

  int port_;
  std::string document_;
  httplib::Server server_;
  std::thread thread_;
  std::mutex mutex_;
  std::string lastQuery_;
  std::string lastVia_;
};
