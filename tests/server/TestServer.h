#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "server/SorrelServer.h"

// A SorrelServer on a free loopback port, serving in a thread of its own
// while the object lives; stopped and joined when it goes away. Its log is
// muted unless the options name a log function.
class TestServer {
 public:
  explicit TestServer(SorrelServer::Options options) {
    options.host = "127.0.0.1";
    options.port = 0;
    if (options.usersFile.empty())
      options.usersFile = SORREL_SOURCE_DIR "/examples/server/users.ini";
    if (options.bases.empty()) options.bases = {SmallBase()};
    if (!options.log) options.log = [](const std::string&) {};
    std::string error;
    if (!server_.Start(options, error)) throw std::runtime_error(error);
    thread_ = std::thread([this] { server_.Serve(); });
    root_ = server_.ServletUrl();
    root_.resize(root_.size() - std::string("Search").size());
  }
  ~TestServer() {
    server_.Stop();
    thread_.join();
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // "http://127.0.0.1:PORT/sorrel/"
  const std::string& Root() const { return root_; }
  std::string Servlet() const { return root_ + "Search"; }

  // The hand-written base of tests/server/data/small, copied into a fresh
  // folder once per test program so its index is built beside the copy.
  static std::string SmallBase();

 private:
  SorrelServer server_;
  std::thread thread_;
  std::string root_;
};
