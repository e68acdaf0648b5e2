// A server's replies as values: how each operation ended, with its events
// and answer, against the reference server, a scripted loopback server and
// a port where nobody listens; and no message box shown on the way.
#include "session/ServerConnection.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/ScopedHandler.h"
#include "tests/servers/ScriptedHttpServer.h"

namespace {

using Outcome = ServerReply::Outcome;

SessionListener::CredentialSource Give(const std::string& user, const std::string& password) {
  return [=](std::string& name, std::string& secret) {
    name = user;
    secret = password;
    return !user.empty();
  };
}

std::vector<std::string> Names(const ServerReply& reply) {
  std::vector<std::string> names;
  for (const ServerEvent& event : reply.events) names.push_back(event.Name());
  return names;
}

// The login answer of a server that lets everyone in.
ScriptedHttpServer::Handler AfterLogin(ScriptedAnswer rest) {
  return [rest](const RecordedRequest& request) {
    if (request.target.find("UserAuthentication") == std::string::npos) return rest;
    return ScriptedAnswer::OpenSession();
  };
}

ServerReply Login(ServerConnection& c) { return c.Login(); }
ServerReply Pump(ServerConnection& c) { return c.Query("SMALL", "TI AB=pump", 1, 1); }
ServerReply CheckPump(ServerConnection& c) { return c.Check("SMALL", "TI AB=pump"); }
ServerReply BadQuestion(ServerConnection& c) { return c.Query("SMALL", "TI AB=(solar", 1, 0); }
ServerReply Information(ServerConnection& c) { return c.BaseInfo("SMALL"); }
ServerReply Bases(ServerConnection& c) { return c.DatabaseList(); }
ServerReply Help(ServerConnection& c) { return c.TextFile("SMALL", "help.txt"); }
ServerReply Missing(ServerConnection& c) { return c.TextFile("SMALL", "nothing.txt"); }

const std::string kAsks = "loginRequested";  // the first login's try without a user
const std::string kIn = "loggedIn";          // the operation went through after the login

// One operation with one user's credentials against the reference server.
struct ReferenceCase {
  const char* user;
  const char* password;
  ServerReply (*operation)(ServerConnection&);
  Outcome outcome;
  std::vector<std::string> events;
  const char* answerHas;
  int exit;
};

const ReferenceCase kReferenceCases[] = {
    {"demo", "demo", Login, Outcome::kDelivered, {kAsks, kIn}, "", 0},
    {"demo", "demo", Pump, Outcome::kDelivered, {kAsks, kIn}, "HITS=2", 0},
    {"demo", "demo", CheckPump, Outcome::kDelivered, {kAsks, kIn}, "STATUS=OK", 0},
    {"demo", "demo", Information, Outcome::kDelivered, {kAsks, kIn}, "help.txt", 0},
    {"demo", "demo", Bases, Outcome::kDelivered, {kAsks, kIn}, "SMALL", 0},
    {"demo", "demo", Help, Outcome::kDelivered, {kAsks, kIn}, "eleven", 0},
    {"demo", "demo", Missing, Outcome::kOtherStatus, {kAsks}, "", 4},
    {"demo", "demo", BadQuestion, Outcome::kOtherStatus, {kAsks}, "", 4},
    {"demo", "wrong", Login, Outcome::kLoginRefused, {kAsks, "authenticationFailed"}, "", 2},
    {"", "", Pump, Outcome::kLoginRefused, {kAsks}, "", 2},
    {"disabled", "disabled", Login, Outcome::kLoginRefused, {kAsks, "accountDisabled"}, "", 2},
};

TEST(ServerConnection, ReferenceServerRepliesCarryOutcomeEventsAndAnswer) {
  ReferenceServer server;
  for (size_t i = 0; i < std::size(kReferenceCases); ++i) {
    const ReferenceCase& known = kReferenceCases[i];
    SCOPED_TRACE(i);
    ServerConnection connection(server.Servlet(), Give(known.user, known.password), nullptr);
    const ServerReply reply = known.operation(connection);
    EXPECT_EQ(reply.outcome, known.outcome);
    EXPECT_EQ(Names(reply), known.events);
    EXPECT_NE(reply.body.find(known.answerHas), std::string::npos) << reply.body;
    EXPECT_EQ(reply.ExitStatus(), known.exit);
  }
}

TEST(ServerConnection, ARefusedQuestionHasTheServersReason) {
  ReferenceServer server;
  ServerConnection connection(server.Servlet(), Give("demo", "demo"), nullptr);
  ASSERT_TRUE(connection.Login().delivered());
  const std::string reason = connection.RefusalReason("SMALL", "TI AB=(solar", true);
  EXPECT_NE(reason.find("column 13: expected \")\""), std::string::npos) << reason;
  EXPECT_EQ(reason.find("Exception"), std::string::npos) << reason;
  EXPECT_EQ(connection.RefusalReason("SMALL", "TI AB=solar", false), "");
  EXPECT_EQ(connection.FileRefusalReason("SMALL", "nothing.txt"),
            "base SMALL has no file \"nothing.txt\"");
  EXPECT_EQ(connection.FileRefusalReason("SMALL", "help.txt"), "");
  EXPECT_NE(connection.BaseInfoRefusalReason("NOBASE").find("\"NOBASE\""), std::string::npos);
}

TEST(ServerConnection, ScriptedAnswersTellEmptyFromLostAndRefused) {
  const struct {
    const char* name;
    ScriptedAnswer answer;
    Outcome outcome;
    std::vector<std::string> events;
  } kCases[] = {
      {"empty 200 answer", {200, {}, ""}, Outcome::kDelivered, {}},
      {"expired session page",
       {500, {}, "<html><title>ExpiredSessionException</title></html>"},
       Outcome::kSessionLost,
       {"sessionExpired"}},
      {"closed elsewhere",
       {500, {}, "<title>SharingAccountException</title>"},
       Outcome::kSessionLost,
       {"sharingAccount"}},
      {"other error page", {500, {}, "<title>Internal error</title>"}, Outcome::kOtherStatus, {}},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.name);
    ScriptedHttpServer server;
    server.SetHandler(AfterLogin(known.answer));
    ServerConnection connection(server.Url("/app/Search"), Give("u", "p"), nullptr);
    const ServerReply reply = connection.Check("B", "q");
    EXPECT_EQ(reply.outcome, known.outcome);
    EXPECT_EQ(Names(reply), known.events);
    EXPECT_EQ(reply.body, "");
  }
}

TEST(ServerConnection, ALoginAnsweredWithAnotherStatusIsNoSearchServer) {
  ScriptedHttpServer server;
  server.SetHandler([](const RecordedRequest&) {
    return ScriptedAnswer{404, {}, "<html><title>Not Found</title></html>"};
  });
  ServerConnection connection(server.Url("/wrong/path"), Give("demo", "demo"), nullptr);
  const ServerReply reply = connection.Query("SMALL", "x", 1, 0);
  EXPECT_EQ(reply.outcome, Outcome::kNoServer);
  EXPECT_EQ(reply.ExitStatus(), 4);
  EXPECT_NE(reply.failure.find("no search server"), std::string::npos) << reply.failure;
  ASSERT_FALSE(reply.events.empty());
  EXPECT_EQ(reply.events.back().status, 404u);
}

TEST(ServerConnection, NoAnswerAndNotXmlAreValuesAndNoMessageBoxIsShown) {
  std::vector<std::string> shown;
  ScopedHandler boxes(SetMessageBoxHandler, [&](const char* text, unsigned) {
    shown.push_back(text);
    return IDOK;
  });
  std::vector<ServerEvent> heard;
  {
    ServerConnection connection("http://127.0.0.1:1/sorrel/Search", Give("demo", "demo"),
                                [&](const ServerEvent& event) { heard.push_back(event); });
    const ServerReply reply = connection.Query("SMALL", "x", 1, 0);
    EXPECT_EQ(reply.outcome, Outcome::kNoAnswer);
    EXPECT_EQ(reply.ExitStatus(), 3);
    EXPECT_FALSE(reply.failure.empty());
    ASSERT_FALSE(reply.events.empty());
    EXPECT_EQ(reply.events.back().kind, ServerEvent::Kind::kConnectionFailed);
    EXPECT_EQ(reply.events.back().failure, reply.failure);
    EXPECT_EQ(heard.size(), reply.events.size()) << "each event handed on as it came";
  }
  {
    ScriptedHttpServer server;  // answers every request with 200 "OK"
    ServerConnection connection(server.Url("/app/Search"), Give("demo", "demo"), nullptr);
    const ServerReply reply = connection.Login();
    EXPECT_EQ(reply.outcome, Outcome::kNotXml);
    EXPECT_EQ(reply.ExitStatus(), 4);
    EXPECT_FALSE(reply.failure.empty());
  }
  EXPECT_TRUE(shown.empty()) << shown.front();
  AfxMessageBox("after");
  EXPECT_EQ(shown, std::vector<std::string>{"after"}) << "the handler before comes back";
}

}  // namespace
