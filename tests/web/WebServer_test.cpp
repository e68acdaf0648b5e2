#include "web/WebServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "session/BundledFiles.h"
#include "session/CriteriaProfile.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"

namespace {

using Json = nlohmann::json;

// A desk over the reference server's sample base, served on a free port.
class Desk {
 public:
  explicit Desk(std::vector<std::string> serverArguments = {})
      : reference_(std::move(serverArguments), ReferenceServer::Base::kSample) {
    std::string error;
    if (!LoadCriteriaProfile(BundledFile("criteria.ini"), config_, error)) throw error;
    SearchSession::Settings settings;
    settings.outDir = folder_.path().string();
    settings.codeset = "UTF-8";
    desk_ = std::make_unique<WebDesk>(
        reference_.Servlet(),
        [](std::string& user, std::string& password) {
          user = password = "demo";
          return true;
        },
        settings, config_, WebServer::PageFolder() + "/register.xsl");
    server_ = std::make_unique<WebServer>(*desk_, WebServer::PageFolder());
    if (!server_->Bind(0, error)) throw error;
    const std::string address = server_->Address();
    secret_ = address.substr(address.find("k=") + 2);
    port_ = std::stoi(address.substr(address.rfind(':') + 1));
    thread_ = std::thread([this] { server_->Serve(); });
  }
  ~Desk() {
    server_->Stop();
    thread_.join();
  }

  httplib::Client Client() const { return httplib::Client("127.0.0.1", port_); }
  httplib::Headers Page() const {
    return {{"Cookie", "sorrel_web=" + secret_}, {"Origin", Origin()}};
  }
  std::string Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
  const std::string& secret() const { return secret_; }
  Json Post(const std::string& path, const Json& body) const {
    auto answer = Client().Post(path, Page(), body.dump(), "application/json");
    return answer && answer->status == 200 ? Json::parse(answer->body) : Json();
  }

 private:
  ReferenceServer reference_;
  TempDir folder_;
  VERGER_CONFIG config_;
  std::unique_ptr<WebDesk> desk_;
  std::unique_ptr<WebServer> server_;
  std::thread thread_;
  std::string secret_;
  int port_ = 0;
};

TEST(WebServer, RefusesRequestsWithoutTheSecretTheHostOrTheOrigin) {
  Desk desk;
  auto client = desk.Client();
  const std::string cookie = "sorrel_web=" + desk.secret();
  const Json line = {{"line", "solar"}};
  struct Case {
    const char* what;
    httplib::Headers headers;
    bool post;
    int status;
  };
  const Case cases[] = {
      {"no secret", {}, false, 403},
      {"foreign Host", {{"Cookie", cookie}, {"Host", "evil.example"}}, false, 403},
      {"rebound Host with our port",
       {{"Cookie", cookie}, {"Host", "evil.example:" + desk.Origin().substr(17)}}, false, 403},
      {"foreign Origin", {{"Cookie", cookie}, {"Origin", "http://evil.example"}}, true, 403},
      {"no Origin", {{"Cookie", cookie}}, true, 403},
      {"the page", desk.Page(), true, 200},
  };
  for (const Case& c : cases) {
    auto answer = c.post ? client.Post("/api/line", c.headers, line.dump(), "application/json")
                         : client.Get("/api/state", c.headers);
    ASSERT_TRUE(answer) << c.what;
    EXPECT_EQ(answer->status, c.status) << c.what;
    EXPECT_NE(answer->get_header_value("Content-Security-Policy").find("script-src 'self'"),
              std::string::npos);
  }
  auto letIn = client.Get(("/?k=" + desk.secret()).c_str());
  ASSERT_TRUE(letIn);
  EXPECT_EQ(letIn->status, 302);
  EXPECT_NE(letIn->get_header_value("Set-Cookie").find("HttpOnly"), std::string::npos);
}

TEST(WebServer, RunsLinesListsHitsAndServesTheDocumentsFiles) {
  Desk desk;
  const Json search = desk.Post("/api/line", {{"line", "solar AND panel"}});
  const long hits = search["output"]["result"]["hits"];
  ASSERT_GT(hits, 2);
  EXPECT_EQ(search["sets"][0]["hits"], hits);
  auto client = desk.Client();
  auto listed = client.Get("/api/hits?set=1&from=2&count=2", desk.Page());
  ASSERT_TRUE(listed);
  const Json page = Json::parse(listed->body);
  ASSERT_EQ(page["hits"].size(), 2u);
  EXPECT_EQ(page["hits"][0]["position"], 2);
  EXPECT_FALSE(page["hits"][1]["title"].get<std::string>().empty());

  const Json refused = desk.Post("/api/line", {{"line", "solar AND AND pump"}});
  EXPECT_EQ(refused["output"]["result"]["kind"], "refused");
  EXPECT_EQ(refused["output"]["result"]["column"], 11);

  desk.Post("/api/line", {{"line", "1000000/PN"}});
  const Json opened = desk.Post("/api/open", {{"set", 2}, {"position", 1}});
  const Json& document = opened["document"];
  ASSERT_TRUE(document.contains("view")) << opened.dump();
  auto view = client.Get("/files/" + document["view"].get<std::string>(), desk.Page());
  ASSERT_TRUE(view);
  EXPECT_EQ(view->get_header_value("Content-Type"), "application/xml");
  EXPECT_NE(view->body.find("href=\"" + document["style_sheet"].get<std::string>()),
            std::string::npos);
  EXPECT_NE(view->body.find(document["title"].get<std::string>()), std::string::npos);
  ASSERT_EQ(document["png"].size(), 2u);
  auto image = client.Get("/files/" + document["png"][1].get<std::string>(), desk.Page());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->body.substr(1, 3), "PNG");
  auto tiff = client.Get("/files/" + document["tiff"][0].get<std::string>() + "?download=1",
                         desk.Page());
  ASSERT_TRUE(tiff);
  EXPECT_NE(tiff->get_header_value("Content-Disposition").find("attachment"), std::string::npos);
  // An accented title comes once converted, in the answer and in the view.
  const Json accented = desk.Post("/api/line", {{"line", "2900002/PN"}});
  const Json french = desk.Post("/api/open", {{"set", accented["output"]["result"]["set"]},
                                              {"position", 1}})["document"];
  ASSERT_TRUE(french.contains("view")) << french.dump();
  EXPECT_NE(french["title"].get<std::string>().find("\u00e0 chaleur"), std::string::npos);
  auto frenchView = client.Get("/files/" + french["view"].get<std::string>(), desk.Page());
  ASSERT_TRUE(frenchView);
  EXPECT_NE(frenchView->body.find(french["title"].get<std::string>()), std::string::npos);
  for (const char* other : {"/files/server.log", "/files/..%2Fpasswd", "/files/.hidden",
                            "/page/..%2FWebServer.cpp"}) {
    auto refused404 = client.Get(other, desk.Page());
    ASSERT_TRUE(refused404);
    EXPECT_EQ(refused404->status, 404) << other;
  }
}

// The first page asked for under a ticket before its document is opened
// comes once the Open has made it, the same bytes as the file; a ticket
// of an Open that failed gets the reason, a malformed one nothing.
TEST(WebServer, TheFirstPageAskedBesideItsOpenComesWhenMade) {
  Desk desk;
  desk.Post("/api/line", {{"line", "1000000/PN"}});
  std::unique_ptr<httplib::Result> early;
  std::thread asker([&] {
    auto client = desk.Client();
    early = std::make_unique<httplib::Result>(client.Get("/api/page?ticket=t1", desk.Page()));
  });
  const Json opened = desk.Post("/api/open", {{"set", 1}, {"position", 1}, {"ticket", "t1"}});
  asker.join();
  ASSERT_TRUE(*early);
  ASSERT_EQ((*early)->status, 200) << (*early)->body;
  EXPECT_EQ((*early)->get_header_value("Content-Type"), "image/png");
  auto file = desk.Client().Get("/files/" + opened["document"]["png"][0].get<std::string>(),
                                desk.Page());
  ASSERT_TRUE(file);
  EXPECT_EQ((*early)->body, file->body);

  desk.Post("/api/open", {{"set", 9}, {"position", 1}, {"ticket", "t2"}});
  for (const char* asked : {"/api/page?ticket=t2", "/api/page?ticket=..%2Fx"}) {
    auto refused = desk.Client().Get(asked, desk.Page());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 404) << asked;
    EXPECT_FALSE(refused->body.empty());
  }
}

// The server's events reach the page as notices, each once: an expired
// session and the new login that reopens it, after which the line still runs.
TEST(WebServer, ServerEventsBecomeNotices) {
  Desk desk({"--session-timeout", "1"});
  auto names = [](const Json& answer) {
    std::vector<std::string> seen;
    for (const Json& notice : answer["notices"]) seen.push_back(notice["event"]);
    return seen;
  };
  const Json first = desk.Post("/api/line", {{"line", "solar"}});
  EXPECT_EQ(names(first), (std::vector<std::string>{"loginRequested", "loggedIn"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(2200));
  const Json again = desk.Post("/api/line", {{"line", "$1 AND panel"}});
  const std::vector<std::string> seen = names(again);
  EXPECT_NE(std::find(seen.begin(), seen.end(), "sessionExpired"), seen.end()) << again.dump();
  EXPECT_NE(std::find(seen.begin(), seen.end(), "loggedIn"), seen.end()) << again.dump();
  EXPECT_GT(again["output"]["result"].value("hits", -1L), -1L) << again.dump();
  EXPECT_TRUE(names(desk.Post("/api/line", {{"line", "..HI"}})).empty());
}

}  // namespace
