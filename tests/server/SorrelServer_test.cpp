#include "server/SorrelServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>
#include <vector>

#include "support/Crypto.h"
#include "tests/common/TempDir.h"
#include "tests/server/CurlClient.h"
#include "tests/server/TestServer.h"

namespace {

std::string Md5(const std::string& text) {
  CString digest;
  CString input(text.c_str());
  EXPECT_EQ(Crypto::HashString(input, digest), 1);
  return static_cast<const char*>(digest);
}

std::string Title(const std::string& page) {
  std::smatch match;
  return std::regex_search(page, match, std::regex("<title>([^<]*)</title>")) ? match[1].str()
                                                                              : std::string();
}

std::string Element(const std::string& xml, const std::string& name) {
  std::smatch match;
  return std::regex_search(xml, match, std::regex("<" + name + ">([^<]*)</" + name + ">"))
             ? match[1].str()
             : std::string("(missing)");
}

CurlClient::Reply Login(CurlClient& client, const TestServer& server, const std::string& user,
                        const std::string& password) {
  return client.Post(server.Root() + "UserAuthentication",
                     {{"iac_user", user}, {"iac_pwd", Md5(password)}});
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

TEST(SorrelServerSession, LoginAnswersTheSevenElementsAndSetsTheSessionCookie) {
  TestServer server({});
  CurlClient client;
  CurlClient::Reply reply = Login(client, server, "demo", "demo");
  ASSERT_EQ(reply.status, 200);
  EXPECT_NE(reply.headers.find("Set-Cookie: JSESSIONID="), std::string::npos) << reply.headers;
  EXPECT_NE(reply.headers.find("Path=/sorrel/"), std::string::npos);
  for (const char* name :
       {"authenticated", "accountEnabled", "customerAccountEnabled", "customerSubscriptionValid"}) {
    EXPECT_EQ(Element(reply.body, name), "true") << name;
  }
  for (const char* name :
       {"passwordExpired", "accountValidationRequired", "previousSessionClosed"}) {
    EXPECT_EQ(Element(reply.body, name), "false") << name;
  }
  CurlClient::Reply list =
      client.Post(server.Servlet(), {{"action", "infos"}, {"version", "2.20"}, {"iac_op", "1"}});
  EXPECT_EQ(list.status, 200);
  EXPECT_NE(list.body.find("<database name=\"SMALL\" documents=\"11\""), std::string::npos)
      << list.body;
}

TEST(SorrelServerSession, EveryAccountStateAnswersItsOwnFlagAndOpensNoSession) {
  struct Case {
    const char* user;
    const char* password;
    const char* element;  // the one element that differs from an open account's answer
    const char* value;
  } cases[] = {
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
    CurlClient client;
    CurlClient::Reply reply = Login(client, server, c.user, c.password);
    ASSERT_EQ(reply.status, 200) << c.user;
    for (const auto& [name, value] : open) {
      EXPECT_EQ(Element(reply.body, name), name == c.element ? c.value : value)
          << c.user << " " << name;
    }
    EXPECT_EQ(reply.headers.find("JSESSIONID"), std::string::npos) << c.user;
    CurlClient::Reply refused = client.Post(server.Servlet(), QueryForm("TI AB=solar"));
    EXPECT_EQ(refused.status, 500) << c.user;
    EXPECT_NE(Title(refused.body).find("UnauthenticatedUserException"), std::string::npos);
  }
}

TEST(SorrelServerSession, IdleSessionAnswersTheExpiredPageUntilTheNextLogin) {
  SorrelServer::Options options;
  options.sessionTimeout = std::chrono::seconds(1);
  TestServer server(options);
  CurlClient client;
  ASSERT_EQ(Login(client, server, "demo", "demo").status, 200);
  EXPECT_EQ(client.Post(server.Servlet(), QueryForm("TI AB=solar")).status, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  CurlClient::Reply expired = client.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(expired.status, 500);
  EXPECT_NE(Title(expired.body).find("ExpiredSessionException"), std::string::npos) << expired.body;
  ASSERT_EQ(Login(client, server, "demo", "demo").status, 200);
  EXPECT_EQ(client.Post(server.Servlet(), QueryForm("TI AB=solar")).status, 200);
}

TEST(SorrelServerSession, SecondLoginClosesTheFirstSessionAsShared) {
  TestServer server({});
  CurlClient first, second;
  ASSERT_EQ(Login(first, server, "demo", "demo").status, 200);
  CurlClient::Reply again = Login(second, server, "demo", "demo");
  EXPECT_EQ(Element(again.body, "previousSessionClosed"), "true");
  CurlClient::Reply shared = first.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(shared.status, 500);
  EXPECT_NE(Title(shared.body).find("SharingAccountException"), std::string::npos);
  EXPECT_EQ(second.Post(server.Servlet(), QueryForm("TI AB=solar")).status, 200);
}

TEST(SorrelServerSession, DisconnectionEndsTheSession) {
  TestServer server({});
  CurlClient client;
  ASSERT_EQ(Login(client, server, "demo", "demo").status, 200);
  EXPECT_EQ(client.Post(server.Root() + "UserDisconnection", std::string()).status, 200);
  CurlClient::Reply after = client.Post(server.Servlet(), QueryForm("TI AB=solar"));
  EXPECT_EQ(after.status, 500);
  EXPECT_NE(Title(after.body).find("UnauthenticatedUserException"), std::string::npos);
}

TEST(SorrelServerOperations, EachParameterRowGetsItsAnswer) {
  TestServer server({});
  CurlClient client;
  ASSERT_EQ(Login(client, server, "demo", "demo").status, 200);
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
  ASSERT_EQ(Login(client, server, "demo", "demo").status, 200);
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

TEST(SorrelServerOperations, XmlServerVariantAnswersWithoutLoginWhenTurnedOn) {
  SorrelServer::Options options;
  options.xmlServer = true;
  TestServer server(options);
  CurlClient client;
  CurlClient::Reply hello = client.Post(server.Root() + "XMLServerUserRequest", std::string());
  EXPECT_EQ(hello.status, 200);
  EXPECT_NE(hello.body.find("<databases>"), std::string::npos);
  CurlClient::Reply run = client.Post(server.Root() + "search.cgi", QueryForm("TI AB=pump"));
  EXPECT_EQ(run.status, 200);
  EXPECT_EQ(Numbers(run.body), (std::vector<std::string>{"EP 4 A1", "EP 7 B1"}));
  CurlClient::Reply file = client.Post(
      server.Root() + "getfile.cgi",
      {{"base", "SMALL"}, {"param", "search.ini"}, {"file", "help.txt"}, {"action", "f"}});
  EXPECT_EQ(file.status, 200);
  EXPECT_NE(file.body.find("eleven hand-written"), std::string::npos);
  CurlClient::Reply named =
      client.Post(server.Root() + "XMLServerUserRequest",
                  {{"base", "SMALL"}, {"param", "ini"}, {"file", "no-such.txt"}, {"action", "f"}});
  EXPECT_EQ(named.status, 404);
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
  CurlClient::Reply refused = Login(client, server, "demo", "demo");
  EXPECT_EQ(refused.status, 401);
  EXPECT_NE(refused.headers.find("WWW-Authenticate: Basic"), std::string::npos);
  curl_easy_setopt(client.handle(), CURLOPT_USERPWD, "keeper:gate");
  EXPECT_EQ(Login(client, server, "demo", "demo").status, 200);
}

TEST(SorrelServerOperations, ServesTheProtocolOverTls) {
  SorrelServer::Options options;
  options.tlsCert = SORREL_SOURCE_DIR "/tests/server/data/tls/server.crt";
  options.tlsKey = SORREL_SOURCE_DIR "/tests/server/data/tls/server.key";
  TestServer server(options);
  ASSERT_EQ(server.Root().rfind("https://", 0), 0u);
  CurlClient client;
  curl_easy_setopt(client.handle(), CURLOPT_CAINFO, options.tlsCert.c_str());
  ASSERT_EQ(Login(client, server, "demo", "demo").status, 200);
  CurlClient::Reply run = client.Post(server.Servlet(), QueryForm("TI AB=wind"));
  EXPECT_EQ(Numbers(run.body), (std::vector<std::string>{"EP 2 A1"}));
}

TEST(SorrelServerOperations, LogsOneLinePerRequest) {
  std::vector<std::string> lines;
  std::mutex mutex;
  // TestServer mutes the log; this server keeps it.
  SorrelServer::Options options;
  SorrelServer logged;
  options.host = "127.0.0.1";
  options.usersFile = SORREL_SOURCE_DIR "/examples/server/users.ini";
  options.bases = {TestServer::SmallBase()};
  options.log = [&](const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(line);
  };
  std::string error;
  ASSERT_TRUE(logged.Start(options, error)) << error;
  std::thread serving([&] { logged.Serve(); });
  std::string root = "http://127.0.0.1:" + std::to_string(logged.Port()) + "/sorrel/";
  CurlClient client;
  client.Post(root + "UserAuthentication", {{"iac_user", "demo"}, {"iac_pwd", Md5("demo")}});
  client.Post(root + "Search", QueryForm("TI AB=solar"));
  client.Get(root + "nowhere");
  logged.Stop();
  serving.join();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("POST /sorrel/UserAuthentication 200"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("POST /sorrel/Search 200"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("GET /sorrel/nowhere 404"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[0].find(Md5("demo")), std::string::npos);
}

}  // namespace
