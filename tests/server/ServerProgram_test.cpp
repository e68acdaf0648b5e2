// sorrel-server as a program: first line on standard output, clean stop.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <regex>
#include <thread>
#include <vector>

#include "server/SampleBase.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/server/CurlClient.h"
#include "tests/server/TestServer.h"

extern char** environ;

namespace {

TEST(ServerProgram, PrintsItsUrlFirstAndStopsCleanlyOnSignals) {
  for (int stopSignal : {SIGTERM, SIGINT}) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string base = TestServer::SmallBase();
    const char* argv[] = {SORREL_SERVER_BINARY, "--port",       "0",  "--base",
                          base.c_str(),         "--xml-server", "on", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, SORREL_SERVER_BINARY, &actions, nullptr, const_cast<char**>(argv),
                          environ),
              0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FILE* stream = ::fdopen(out[0], "r");
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, stream), nullptr);
    std::string url = line;
    std::smatch match;
    ASSERT_TRUE(
        std::regex_match(url, match, std::regex("http://127\\.0\\.0\\.1:([0-9]+)/sorrel/Search\n")))
        << url;
    CurlClient client;
    CurlClient::Reply list =
        client.Post(std::regex_replace(url, std::regex("Search\n$"), "search.cgi"),
                    std::string("action=infos&iac_op=1"));
    EXPECT_EQ(list.status, 200);
    ASSERT_EQ(::kill(pid, stopSignal), 0);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 500 && done == 0; ++i) {
      done = ::waitpid(pid, &status, WNOHANG);
      if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      FAIL() << "the server did not stop within five seconds";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::fclose(stream);
  }
}

// Servers started together over a sample base not yet written (a session
// and a desk, or tests side by side) each come up on the whole base: one
// writes it, the others wait for it instead of reading it half-written.
TEST(ServerProgram, ServersStartedTogetherShareOneWholeSampleBase) {
  TempDir folder;
  const std::string sample = (folder.path() / "SAMPLE").string();
  std::vector<std::unique_ptr<ReferenceServer>> servers(4);
  std::vector<std::thread> starting;
  std::vector<std::string> failures(servers.size());
  for (size_t i = 0; i < servers.size(); ++i) {
    starting.emplace_back([&, i] {
      try {
        servers[i] = std::make_unique<ReferenceServer>(
            std::vector<std::string>{"--sample-dir", sample}, ReferenceServer::Base::kSample);
      } catch (const std::exception& failure) {
        failures[i] = failure.what();
      }
    });
  }
  for (std::thread& thread : starting) thread.join();
  for (size_t i = 0; i < servers.size(); ++i) EXPECT_EQ(failures[i], "") << "server " << i;
  EXPECT_TRUE(SampleBase::Current(sample));
}

}  // namespace
