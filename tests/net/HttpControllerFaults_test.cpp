// Every way a server can fail ends in a clean failure with the WinINet
// number and text, within the configured time limits.
#include <gtest/gtest.h>

#include <string>

#include "net/HttpController.h"
#include "tests/net/NetTestSupport.h"
#include "tests/servers/FaultServer.h"

namespace {

TEST(HttpControllerFaults, EachFaultEndsWithItsWinInetFailure) {
  LoopbackEnvironment environment;
  struct Case {
    Fault fault;
    const char* expected;
  } cases[] = {
      {Fault::kCloseMidBody, "12030: The connection with the server has been terminated."},
      {Fault::kDeclaredLongerThanSent, "12002: The request has timed out."},
      {Fault::kGarbageStatusLine, "12152: The server response could not be parsed."},
      {Fault::kNoAnswer, "12002: The request has timed out."},
      {Fault::kReset, "12031: The connection with the server has been reset."},
      {Fault::kEmptyAnswer, "12152: The server response could not be parsed."},
      {Fault::kHugeDeclaredLength,
       "8: Not enough memory resources are available to process this command."},
  };
  for (const Case& c : cases) {
    FaultServer server(c.fault);
    const Outcome outcome = Post(server.Url("/x"), {{"a", "1"}});
    EXPECT_FALSE(outcome.successful) << c.expected;
    EXPECT_FALSE(outcome.hasBody) << c.expected;
    EXPECT_EQ(outcome.error, c.expected);
  }
}

TEST(HttpControllerFaults, ARefusedConnectionFailsAtTheSend) {
  LoopbackEnvironment environment;
  RefusingPort refusing;
  const Outcome outcome = Post(refusing.Url("/"));
  EXPECT_FALSE(outcome.successful);
  EXPECT_EQ(outcome.error, "12029: The attempt to connect to the server failed.");
}

TEST(HttpControllerFaults, ASlowButSteadyAnswerIsNotCutOff) {
  LoopbackEnvironment environment;
  FaultServer server(Fault::kDrip, std::chrono::milliseconds(400));
  const Outcome outcome = Post(server.Url("/"));
  EXPECT_TRUE(outcome.successful);
  EXPECT_EQ(outcome.body, FaultServer::kDripBody);
}

TEST(HttpControllerFaults, IdleLimitComesFromTheEnvironment) {
  LoopbackEnvironment environment;
  environment.Environment().Set("SORREL_HTTP_IDLE_TIMEOUT", "0.2");
  FaultServer server(Fault::kDrip, std::chrono::milliseconds(1500));
  EXPECT_EQ(Post(server.Url("/")).error, "12002: The request has timed out.");
}

TEST(HttpControllerFaults, ArbitraryAnswersNeverPassForSuccessWithoutAStatus) {
  LoopbackEnvironment environment;
  struct Case {
    const char* answer;
    bool successful;
    unsigned long status;
    const char* body;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi", true, 200, "hi"},
      {"HTTP/1.1 500 Boom\r\nContent-Length: 0\r\n\r\n", true, 500, ""},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n", true, 200,
       "ab"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, 0, ""},
      {"HTTP/1.0 200 OK\r\n\r\nto the end", true, 200, "to the end"},
      {"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", false, 0, ""},
      {"HTTP/1.1 999999999999 What\r\n\r\n", false, 0, ""},
  };
  for (const Case& c : cases) {
    FaultServer server{std::string(c.answer)};
    const Outcome outcome = Post(server.Url("/"));
    EXPECT_EQ(outcome.successful, c.successful) << c.answer << outcome.error;
    if (!c.successful) continue;
    EXPECT_EQ(outcome.status, c.status) << c.answer;
    EXPECT_EQ(outcome.body, c.body) << c.answer;
  }
}

}  // namespace
