// sorrel-server as a program: first line on standard output, clean stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <memory>
#include <regex>
#include <thread>
#include <vector>

#include "server/SampleBase.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/server/CurlClient.h"

namespace {

TEST(ServerProgram, PrintsItsUrlFirstAndStopsCleanlyOnSignals) {
  for (int stopSignal : {SIGTERM, SIGINT}) {
    ReferenceServer server({"--xml-server", "on"});
    EXPECT_TRUE(std::regex_match(server.Servlet(),
                                 std::regex("http://127\\.0\\.0\\.1:[0-9]+/sorrel/Search")))
        << server.Servlet();
    CurlClient client;
    EXPECT_EQ(
        client.Post(server.Root() + "search.cgi", std::string("action=infos&iac_op=1")).status,
        200);
    ASSERT_EQ(::kill(server.Pid(), stopSignal), 0);
    // Waited for without reaping it: the server object reaps it when it goes.
    siginfo_t ended{};
    for (int i = 0; i < 500 && ended.si_pid == 0; ++i) {
      ASSERT_EQ(
          ::waitid(P_PID, static_cast<id_t>(server.Pid()), &ended, WEXITED | WNOHANG | WNOWAIT), 0);
      if (ended.si_pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(ended.si_pid, 0) << "the server did not stop within five seconds";
    EXPECT_EQ(ended.si_code, CLD_EXITED);
    EXPECT_EQ(ended.si_status, 0);
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
