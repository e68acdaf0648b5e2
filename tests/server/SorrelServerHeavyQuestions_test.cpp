// Questions built to exhaust the server, sent to sorrel-server as a program
// over its 2,000-document sample base: each is refused or answered quickly
// and the server goes on serving.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>

#include "tests/common/ReferenceServer.h"
#include "tests/server/CurlClient.h"

namespace {

using Clock = std::chrono::steady_clock;

class HeavyQuestions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LogInAsDemo(client_, server_.Root()), 200);
  }

  // Asks `question` (action=r, no documents) and says how long it took.
  CurlClient::Reply Ask(const std::string& question, double& seconds) {
    Clock::time_point start = Clock::now();
    CurlClient::Reply reply = client_.Post(server_.Servlet(), {{"iac_op", "2"},
                                                               {"iac_base", "SAMPLE"},
                                                               {"action", "r"},
                                                               {"taille", "0"},
                                                               {"question", question}});
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return reply;
  }

  std::string Hits(const std::string& question) {
    double seconds = 0;
    CurlClient::Reply reply = Ask(question, seconds);
    std::smatch match;
    EXPECT_EQ(reply.status, 200) << question.substr(0, 80) << ": " << reply.body.substr(0, 300);
    return std::regex_search(reply.body, match, std::regex("^HITS=([0-9]+)\n")) ? match[1].str()
                                                                               : "no answer";
  }

  ReferenceServer server_{{}, ReferenceServer::Base::kSample};
  CurlClient client_;
};

std::string Repeat(const std::string& first, const std::string& joint, const std::string& word,
                   int times) {
  std::string text = first;
  for (int i = 0; i < times; ++i) text += joint + word;
  return text;
}

TEST_F(HeavyQuestions, LongChainsAreRefusedWithinASecondAndTheServerGoesOn) {
  const std::string solar = Hits("TI AB=solar");
  const std::string chains[] = {
      Repeat("a", " +W ", "a", 10000),                 // 50 KB of one proximity operator
      Repeat("PD>=2000", " AND ", "a", 10800),         // 10,800 terms after a comparison
      Repeat("(solar", " OR ", "solar", 3000) + ")",  // an OR group over the operator limit
  };
  for (const std::string& question : chains) {
    double seconds = 0;
    CurlClient::Reply reply = Ask(question, seconds);
    EXPECT_EQ(reply.status, 400) << question.substr(0, 40);
    EXPECT_NE(reply.body.find("QuestionException"), std::string::npos);
    EXPECT_NE(reply.body.find("more than 2048 operators"), std::string::npos);
    EXPECT_LT(seconds, 1.0) << question.substr(0, 40);
    EXPECT_EQ(Hits("TI AB=solar"), solar);
  }
}

TEST_F(HeavyQuestions, ManyProximityPairsAreRefusedWithinTheTimeLimit) {
  const char* words[] = {"solar", "cell",   "panel", "pump",   "valve", "housing",
                         "wind",  "roof",   "tile",  "motor",  "fuel",  "brake",
                         "board", "sensor", "seal",  "gasket"};
  std::string group = "(";
  for (const char* word : words) group += std::string(group.size() > 1 ? " OR " : "") + word;
  group += ")";
  // As many links as 64 KiB hold (some 450), over the operator limit; and 9
  // links, within it but over the question's budget of lookups (256 pairs each).
  const int most = static_cast<int>((65536 - 6 - group.size()) / (group.size() + 4));
  for (int links : {most, 9}) {
    std::string question = "TI AB=" + Repeat(group, " +W ", group, links);
    double seconds = 0;
    CurlClient::Reply reply = Ask(question, seconds);
    EXPECT_EQ(reply.status, 400) << links;
    EXPECT_TRUE(reply.body.find("operators") != std::string::npos ||
                reply.body.find("index lookups") != std::string::npos)
        << reply.body.substr(0, 300);
    EXPECT_LT(seconds, 10.0) << links;
  }
}

TEST_F(HeavyQuestions, LargeFlatQuestionsAreAnswered) {
  const std::string solar = Hits("TI AB=solar");
  const std::string panel = Hits("TI AB=solar AND panel");
  const std::string noPump = Hits("TI AB=solar NOT pump");
  EXPECT_EQ(Hits(Repeat("TI AB=solar", " OR ", "solar", 100)), solar);
  EXPECT_EQ(Hits(Repeat("TI AB=solar", " OR ", "solar", 1000)), solar);
  EXPECT_EQ(Hits(Repeat("TI AB=solar", " AND ", "panel", 1000)), panel);
  EXPECT_EQ(Hits(Repeat("TI AB=solar", " NOT pump AND ", "solar", 500)), noPump);
  EXPECT_EQ(Hits("PD>=1900 AND " + Repeat("TI AB=solar", " AND ", "panel", 1000)), panel);
}

}  // namespace
