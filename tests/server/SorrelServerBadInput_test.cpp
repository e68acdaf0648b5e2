// Input nobody should send: each is answered or refused with a clear page,
// and the server goes on serving (bodies without a bound and clients that
// leave midway: SorrelServerHttp_test.cpp).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "tests/server/CurlClient.h"
#include "tests/server/TestServer.h"

namespace {

bool StillServes(CurlClient& client, const TestServer& server) {
  CurlClient::Reply reply = client.Post(
      server.Servlet(),
      {{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}, {"question", "TI AB=solar"}});
  return reply.status == 200 && reply.body.rfind("HITS=4\n", 0) == 0;
}

TEST(SorrelServerBadInput, RefusesEachBadFormWithATitledPage) {
  struct Case {
    std::map<std::string, std::string> form;
    long status;
    const char* title;  // part of the error page's title
  } cases[] = {
      {{{"iac_op", "9"}, {"action", "r"}}, 400, "UnknownOperationException"},
      {{{"action", "r"}}, 400, "MissingParameterException: iac_op"},
      {{{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "zz"}},
       400,
       "UnknownOperationException"},
      {{{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}},
       400,
       "MissingParameterException: question"},
      {{{"iac_op", "2"}, {"iac_base", "NOBASE"}, {"action", "r"}, {"question", "a"}},
       404,
       "UnknownBaseException"},
      {{{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}, {"question", "TI AB=(solar"}},
       400,
       "QuestionException: column 13: expected &quot;)&quot;"},
      {{{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "p"}, {"question", "TI AB=solar OR"}},
       400,
       "QuestionException"},
      {{{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}, {"question", "XX=solar"}},
       400,
       "unknown field XX"},
      {{{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}, {"question", "PD>=20x1"}},
       400,
       "is not a date"},
      {{{"iac_op", "2"},
        {"iac_base", "SMALL"},
        {"action", "r"},
        {"question", std::string(1 << 20, 'a')}},
       400,
       "longer than 65536 bytes"},
      {{{"iac_op", "2"},
        {"iac_base", "SMALL"},
        {"action", "r"},
        {"question", "a"},
        {"position", "-3"}},
       400,
       "ParameterException"},
      {{{"action", "f"}, {"iac_op", "3"}, {"iac_base", "SMALL"}, {"iac_file", "../base.ini"}},
       404,
       "FileNotFoundException"},
      {{{"action", "f"}, {"iac_op", "3"}, {"iac_base", "SMALL"}, {"iac_file", "index.sqlite"}},
       404,
       "FileNotFoundException"},
  };
  TestServer server({});
  CurlClient client;
  ASSERT_EQ(LogInAsDemo(client, server.Root()), 200);
  for (const Case& c : cases) {
    CurlClient::Reply reply = client.Post(server.Servlet(), c.form);
    EXPECT_EQ(reply.status, c.status) << c.title;
    EXPECT_NE(Title(reply.body).find(c.title), std::string::npos) << Title(reply.body);
  }
  EXPECT_TRUE(StillServes(client, server));
}

TEST(SorrelServerBadInput, AnswersTwoHundredConcurrentClients) {
  SorrelServer::Options options;
  options.xmlServer = true;
  TestServer server(options);
  std::atomic<int> answered{0};
  std::mutex mutex;
  std::string failures;
  std::vector<std::thread> clients;
  for (int i = 0; i < 200; ++i) {
    clients.emplace_back([&] {
      CurlClient client;
      CurlClient::Reply reply = client.Post(
          server.Root() + "search.cgi",
          {{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}, {"question", "TI AB=pump"}});
      if (reply.status == 200 && reply.body.rfind("HITS=2\n", 0) == 0) {
        ++answered;
      } else {
        std::lock_guard<std::mutex> lock(mutex);
        failures += std::to_string(reply.status) + " " + curl_easy_strerror(reply.code) + "\n";
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(answered, 200) << failures;
}

// One worker and a client that keeps its connection busy: a second client
// must not wait for that connection's whole run of requests (a hundred
// before the fix), only for a few answers until the busy client has to
// queue again.
TEST(SorrelServerBadInput, AClientBeyondTheWorkersWaitsOnlyAFewAnswers) {
  SorrelServer::Options options;
  options.threads = 1;
  options.xmlServer = true;
  TestServer server(options);
  const std::map<std::string, std::string> question = {
      {"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "r"}, {"question", "TI AB=pump"}};
  std::atomic<int> busyAnswers{0};
  std::atomic<bool> secondAnswered{false};
  std::thread busy([&] {
    CurlClient client;
    for (int i = 0; i < 2000 && !secondAnswered; ++i) {
      if (client.Post(server.Root() + "search.cgi", question).status == 200) ++busyAnswers;
    }
  });
  while (busyAnswers == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  CurlClient second;
  const int before = busyAnswers;
  const long status = second.Post(server.Root() + "search.cgi", question).status;
  const int waited = busyAnswers - before;
  secondAnswered = true;
  busy.join();
  EXPECT_EQ(status, 200);
  EXPECT_LT(waited, 25);
}

}  // namespace
