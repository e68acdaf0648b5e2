#include "server/SorrelServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>
#include <vector>

#include "tests/common/TempDir.h"
#include "tests/server/CurlClient.h"
#include "tests/server/TestServer.h"

namespace {

std::string Element(const std::string& xml, const std::string& name) {
  std::smatch match;
  return std::regex_search(xml, match, std::regex("<" + name + ">([^<]*)</" + name + ">"))
             ? match[1].str()
             : std::string("(missing)");
}

// The form of ExecuteQuery.
std::map<std::string, std::string> QueryForm(const std::string& question, int position = 1,
                                             int size = 10) {
  return {{"iac_op", "2"},
          {"iac_base", "SMALL"},
          {"action", "r"},
          {"version", "2.20"},
          {"position", std::to_string(position)},
          {"hits", "1"},
          {"fichier_ktf", "auto"},
          {"taille", std::to_string(size)},
          {"base", "SMALL"},
          {"question", question}};
}

// The publication numbers of an answer's documents, in order.
std::vector<std::string> Numbers(const std::string& answer) {
  std::vector<std::string> numbers;
  std::regex pn("(^|\n)PN=([^\n]*)");
  for (auto it = std::sregex_iterator(answer.begin(), answer.end(), pn);
       it != std::sregex_iterator(); ++it) {
    numbers.push_back((*it)[2].str());
  }
  return numbers;
}

std::string Header(const std::string& answer, const std::string& code) {
  std::smatch match;
  return std::regex_search(answer, match, std::regex("(^|\n)" + code + "=([^\n]*)"))
             ? match[2].str()
             : std::string("(missing)");
}

// The login answer's seven elements for an open account and for each other
// state: only an open account gets the session cookie and may ask.
TEST(SorrelServerSession, EveryAccountStateAnswersItsOwnFlag) {
  struct Case {
    const char* user;
    const char* password;
    const char* element;  // the one element that differs from an open account's answer
    const char* value;
  } cases[] = {
      {"demo", "demo", "", ""},
      {"demo", "wrong", "authenticated", "false"},
      {"nobody", "demo", "authenticated", "false"},
      {"disabled", "disabled", "accountEnabled", "false"},
      {"customer", "customer", "customerAccountEnabled", "false"},
      {"expired", "expired", "customerSubscriptionValid", "false"},
      {"oldpassword", "oldpassword", "passwordExpired", "true"},
      {"unvalidated", "unvalidated", "accountValidationRequired", "true"},
  };
  TestServer server({});
  const std::map<std::string, std::string> open = {
      {"authenticated", "true"},          {"accountEnabled", "true"},
      {"customerAccountEnabled", "true"}, {"customerSubscriptionValid", "true"},
      {"passwordExpired", "false"},       {"accountValidationRequired", "false"},
      {"previousSessionClosed", "false"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.user) + "/" + c.password);
    CurlClient client;
    CurlClient::Reply reply = LogIn(client, server.Root(), c.user, c.password);
    ASSERT_EQ(reply.status, 200);
    for (const auto& [name, value] : open) {
      EXPECT_EQ(Element(reply.body, name), name == c.element ? c.value : value) << name;
    }
    const bool opened = *c.element == '\0';
    EXPECT_EQ(reply.headers.find("Set-Cookie: JSESSIONID=") != std::string::npos, opened);
    EXPECT_EQ(reply.headers.find("Path=/sorrel/") != std::string::npos, opened);
    CurlClient::Reply asked = client.Post(server.Servlet(), QueryForm("TI AB=solar"));
    EXPECT_EQ(asked.status, opened ? 200 : 500);
    EXPECT_EQ(Title(asked.body).find("UnauthenticatedUserException") != std::string::npos, !opened);
  }
}

TEST(SorrelServerSession, IdleSessionAnswersTheExpiredPageUntilTheNextLogin) {
  SorrelServer::Options options;
  options.sessionTimeout = std::chrono::seconds(1);
  TestServer server(options);
  CurlClient client;
  ASSERT_EQ(LogInAsDemo(client, server.Root()), 200);
  EXPECT_EQ(client.Post(server.Servlet(), QueryForm("TI AB=solar")).status, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  CurlClient::Reply expired = client.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(expired.status, 500);
  EXPECT_NE(Title(expired.body).find("ExpiredSessionException"), std::string::npos) << expired.body;
  ASSERT_EQ(LogInAsDemo(client, server.Root()), 200);
  EXPECT_EQ(client.Post(server.Servlet(), QueryForm("TI AB=solar")).status, 200);
}

// A second login of the same user closes the first session as shared; a
// disconnection ends the session.
TEST(SorrelServerSession, SecondLoginAndDisconnectionEndTheSession) {
  TestServer server({});
  CurlClient first, second;
  ASSERT_EQ(LogInAsDemo(first, server.Root()), 200);
  CurlClient::Reply again = LogIn(second, server.Root(), "demo", "demo");
  EXPECT_EQ(Element(again.body, "previousSessionClosed"), "true");
  CurlClient::Reply shared = first.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(shared.status, 500);
  EXPECT_NE(Title(shared.body).find("SharingAccountException"), std::string::npos);
  EXPECT_EQ(second.Post(server.Servlet(), QueryForm("TI AB=solar")).status, 200);
  EXPECT_EQ(second.Post(server.Root() + "UserDisconnection", std::string()).status, 200);
  CurlClient::Reply after = second.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(after.status, 500);
  EXPECT_NE(Title(after.body).find("UnauthenticatedUserException"), std::string::npos);
}

TEST(SorrelServerOperations, EachParameterRowGetsItsAnswer) {
  TestServer server({});
  CurlClient client;
  ASSERT_EQ(LogInAsDemo(client, server.Root()), 200);
  CurlClient::Reply info = client.Post(
      server.Servlet(),
      {{"iac_op", "2"}, {"iac_base", "SMALL"}, {"action", "infos"}, {"version", "2.20"}});
  EXPECT_EQ(info.status, 200);
  EXPECT_NE(info.body.find("<base name=\"SMALL\" documents=\"11\">"), std::string::npos);
  EXPECT_NE(info.body.find("<file name=\"help.txt\"/>"), std::string::npos);
  EXPECT_EQ(info.body.find("index.sqlite"), std::string::npos);

  CurlClient::Reply file = client.Post(
      server.Servlet(),
      {{"action", "f"}, {"iac_op", "3"}, {"iac_base", "SMALL"}, {"iac_file", "help.txt"}});
  EXPECT_EQ(file.status, 200);
  EXPECT_EQ(file.body, ReadBytes(TestServer::SmallBase() + "/help.txt"));

  CurlClient::Reply run = client.Post(server.Servlet(), QueryForm("TI AB=solar", 2, 2));
  EXPECT_EQ(run.status, 200);
  EXPECT_EQ(Header(run.body, "HITS"), "4");
  EXPECT_EQ(Header(run.body, "POSITION"), "2");
  EXPECT_EQ(Header(run.body, "RECORDS"), "2");
  EXPECT_EQ(Numbers(run.body), (std::vector<std::string>{"EP 3 A1", "EP 9 A1"}));

  std::map<std::string, std::string> parse = {
      {"iac_op", "2"}, {"iac_base", "SMALL"},   {"action", "p"},   {"version", "2.20"},
      {"hits", "0"},   {"fichier_ktf", "auto"}, {"base", "SMALL"}, {"question", "TI AB=solar"}};
  CurlClient::Reply check = client.Post(server.Servlet(), parse);
  EXPECT_EQ(check.status, 200);
  EXPECT_EQ(check.body, "STATUS=OK\nQUESTION=TI AB=solar\n");
}

TEST(SorrelServerOperations, EarlierAnswersAreSetsTheQuestionCanName) {
  TestServer server({});
  CurlClient client;
  ASSERT_EQ(LogInAsDemo(client, server.Root()), 200);
  CurlClient::Reply first = client.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(Header(first.body, "SET"), "1");
  CurlClient::Reply second = client.Post(server.Servlet(), QueryForm("$1 AND TI AB=roof"));
  EXPECT_EQ(Header(second.body, "SET"), "2");
  EXPECT_EQ(Numbers(second.body), (std::vector<std::string>{"EP 1 A1"}));
  // Paging through a set names it again without making a new one.
  CurlClient::Reply again = client.Post(server.Servlet(), QueryForm("$2"));
  EXPECT_EQ(Header(again.body, "SET"), "2");
  EXPECT_EQ(Header(client.Post(server.Servlet(), QueryForm("TI AB=roof")).body, "SET"), "3");
  CurlClient::Reply missing = client.Post(server.Servlet(), QueryForm("$7 OR TI AB=roof"));
  EXPECT_EQ(missing.status, 400);
  EXPECT_NE(Title(missing.body).find("set $7 does not exist"), std::string::npos);
}

TEST(SorrelServerOperations, RegisterAnswersTheAskedParts) {
  TestServer server({});
  CurlClient client;
  CurlClient::Reply all =
      client.Get(server.Root() + "register?country=EP&number=1&kind=A1&biblio=1&family=1&legal=1");
  EXPECT_EQ(all.status, 200);
  EXPECT_NE(all.headers.find("application/xml; charset=UTF-8"), std::string::npos);
  EXPECT_NE(all.body.find("<patent country=\"EP\" number=\"1\" kind=\"A1\">"), std::string::npos);
  EXPECT_NE(all.body.find("<title>Solar cell for roof mounting</title>"), std::string::npos);
  EXPECT_NE(all.body.find("<member country=\"US\" number=\"5000001\" kind=\"B1\"/>"),
            std::string::npos);
  EXPECT_NE(all.body.find("<event date=\"19980101\" code=\"A1\">Publication of the application"),
            std::string::npos);
  CurlClient::Reply biblio =
      client.Get(server.Root() + "register?country=EP&number=1&kind=A1&biblio=1");
  EXPECT_NE(biblio.body.find("<biblio>"), std::string::npos);
  EXPECT_EQ(biblio.body.find("<family>"), std::string::npos);
  EXPECT_EQ(biblio.body.find("<legal>"), std::string::npos);
  CurlClient::Reply unknown = client.Get(server.Root() + "register?country=EP&number=99&kind=A1");
  EXPECT_EQ(unknown.status, 404);
  EXPECT_EQ(unknown.body, "patent not found");
}

TEST(SorrelServerOperations, GuardedPathNeedsBasicCredentials) {
  SorrelServer::Options options;
  options.guardPath = "/sorrel/";
  options.guardUser = "keeper";
  options.guardPassword = "gate";
  TestServer server(options);
  CurlClient client;
  CurlClient::Reply refused = LogIn(client, server.Root(), "demo", "demo");
  EXPECT_EQ(refused.status, 401);
  EXPECT_NE(refused.headers.find("WWW-Authenticate: Basic"), std::string::npos);
  curl_easy_setopt(client.handle(), CURLOPT_USERPWD, "keeper:gate");
  EXPECT_EQ(LogInAsDemo(client, server.Root()), 200);
}

TEST(SorrelServerOperations, LogsOneLinePerRequestWithoutThePassword) {
  std::vector<std::string> lines;
  std::mutex mutex;
  {
    SorrelServer::Options options;
    options.log = [&](const std::string& line) {
      std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(line);
    };
    TestServer server(options);
    CurlClient client;
    LogInAsDemo(client, server.Root());
    client.Post(server.Servlet(), QueryForm("TI AB=solar"));
    client.Get(server.Root() + "nowhere");
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("POST /sorrel/UserAuthentication 200"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("POST /sorrel/Search 200"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("GET /sorrel/nowhere 404"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[0].find(Md5Hex("demo")), std::string::npos);
}

}  // namespace
