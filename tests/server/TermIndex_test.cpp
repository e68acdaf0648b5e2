// The term index file of a base: each word's count is the number of
// documents a question on that word finds, the words stand in order around
// the term asked, and fields without words are refused.
#include "server/TermIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/server/CurlClient.h"
#include "tests/server/TestServer.h"

namespace {

class LoggedIn {
 public:
  LoggedIn() { EXPECT_EQ(LogInAsDemo(client, server.Root()), 200); }
  CurlClient::Reply File(const std::string& name) {
    return client.Post(
        server.Servlet(),
        {{"action", "f"}, {"iac_op", "3"}, {"iac_base", "SMALL"}, {"iac_file", name}});
  }
  long Hits(const std::string& question) {
    const CurlClient::Reply answer = client.Post(server.Servlet(), {{"iac_op", "2"},
                                                                    {"iac_base", "SMALL"},
                                                                    {"action", "r"},
                                                                    {"taille", "0"},
                                                                    {"question", question}});
    std::smatch match;
    return std::regex_search(answer.body, match, std::regex("HITS=([0-9]+)")) ? std::stol(match[1])
                                                                              : -1;
  }

  TestServer server{{}};
  CurlClient client;
};

std::vector<std::pair<std::string, long>> Lines(const std::string& body) {
  std::vector<std::pair<std::string, long>> lines;
  std::smatch match;
  for (auto at = body.cbegin();
       std::regex_search(at, body.cend(), match, std::regex("([^\t\n]+)\t([0-9]+)\n"));
       at = match.suffix().first) {
    lines.emplace_back(match[1], std::stol(match[2]));
  }
  return lines;
}

TEST(TermIndex, EachWordCountsTheDocumentsItsQuestionFinds) {
  LoggedIn session;
  for (const char* field : {"TI", "AB", "pa"}) {
    for (const char* term : {"sol", "", "PUMP", "zzzz"}) {
      SCOPED_TRACE(std::string(field) + "/" + term);
      const CurlClient::Reply file = session.File(std::string(".index/") + field + "/" + term);
      ASSERT_EQ(file.status, 200) << file.body;
      const auto lines = Lines(file.body);
      ASSERT_LE(lines.size(), TermIndex::kBefore + TermIndex::kFrom);
      size_t before = 0;
      for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
          EXPECT_LT(lines[i - 1].first, lines[i].first);
        }
        before += lines[i].first < term ? 1 : 0;
        const std::string code = field == std::string("pa") ? "PA" : field;
        // An operator word ("and") cannot be asked as a word of a question.
        if (std::regex_match(lines[i].first, std::regex("and|or|not|andnot|ornot"))) continue;
        EXPECT_EQ(lines[i].second, session.Hits(code + "=" + lines[i].first)) << lines[i].first;
      }
      EXPECT_LE(before, TermIndex::kBefore);
      if (std::string(term) == "zzzz") {
        EXPECT_EQ(lines.size(), TermIndex::kBefore);
      }
    }
  }
}

TEST(TermIndex, FieldsWithoutWordsAndPlainFilesAreNotTheIndex) {
  LoggedIn session;
  EXPECT_EQ(session.File(".index/PD/2000").status, 404);
  EXPECT_EQ(session.File(".index/XX/a").status, 404);
  EXPECT_EQ(session.File(".index").status, 404);  // no field: not the index, not a file
  std::string field, term;
  EXPECT_TRUE(TermIndex::Parse(".index/ti/a/b", field, term));
  EXPECT_EQ(field, "TI");
  EXPECT_EQ(term, "a/b");
  EXPECT_FALSE(TermIndex::Parse("index/TI/a", field, term));
  EXPECT_EQ(TermIndex::Text({{"caf\xC3\xA9", 2}, {"\xE2\x82\xAC", 1}}), "caf\xE9\t2\n?\t1\n");
}

}  // namespace
