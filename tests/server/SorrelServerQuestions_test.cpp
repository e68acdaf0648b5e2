// The translator's worked examples, translated by the real translator and
// sent to the server as questions over the hand-written base, whose answers
// were worked out by reading the documents (tests/server/data/small).
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/server/CurlClient.h"
#include "tests/server/TestServer.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

namespace {

// Translates `line` as the client would with examples/criteria.ini: TI and
// AB the default criteria, the other field codes known.
std::string Translate(const std::string& line) {
  VERGER_CONFIG config;
  for (const char* code : {"TI", "AB", "CL", "DE", "PA", "IN", "RE", "PN", "AN", "PR", "PD", "AD",
                           "PRD", "IC", "CPC", "LA", "CC", "KD"}) {
    std::string name = code;
    EXPECT_EQ(config.add_criter(name.data(), CRIT_KNOWN), 1);
  }
  for (const char* code : {"TI", "AB"}) {
    std::string name = code;
    EXPECT_EQ(config.add_criter(name.data(), CRIT_DEFAULT), 1);
  }
  VERGER_MODE mode;
  KTF_COMMAND cmd{};
  std::string text = line;
  EXPECT_EQ(mode.command(text.data(), &config, cmd), 0) << line;
  return cmd.expression ? cmd.expression : "";
}

std::vector<int> Documents(const std::string& answer) {
  std::vector<int> numbers;
  std::regex pn("(^|\n)PN=EP ([0-9]+) ");
  for (auto it = std::sregex_iterator(answer.begin(), answer.end(), pn);
       it != std::sregex_iterator(); ++it) {
    numbers.push_back(std::stoi((*it)[2].str()));
  }
  return numbers;
}

TEST(SorrelServerQuestions, WorkedExamplesFindTheDocumentsReadByHand) {
  struct Case {
    const char* line;
    std::vector<int> documents;  // EP numbers of the small base
  } cases[] = {
      // "a OR b": solar in 1, 3, 9, 10; wind in 2.
      {"solar OR wind", {1, 2, 3, 9, 10}},
      // "a b": the second term takes the first one's fields.
      {"solar wind", {1, 2, 3, 9, 10}},
      // "(a OR b)/TI AND c": solar or wind in the title (1, 2), roof anywhere (1, 6).
      {"(solar OR wind)/TI AND roof", {1}},
      // "a 5W b": cell at most five words after solar: "Solar cell" (1); in 9 too far,
      // in 10 before it.
      {"solar 5W cell", {1}},
      // Any order: 10's "cell made of solar" counts.
      {"solar 5D cell", {1, 10}},
      // Proximity binds before AND: "cell for roof" (1), "panel mounted on the facade" (3).
      {"solar AND (cell OR panel) 3W (roof OR facade)", {1, 3}},
      // "/PD >=2000 AND a": the word a in PD is in no document.
      {"/PD >=2000 AND solar", {}},
      {"/PD >=2005", {3, 6, 7}},
      {"1998:2001/PD", {1, 2, 5, 8}},
      // "/AB YES": every document but 7, which has no abstract.
      {"/AB YES", {1, 2, 3, 4, 5, 6, 8, 9, 10, 11}},
      // "AND a b": the leading operator joins the terms.
      {"AND pump valve", {7}},
      {"seal gasket", {8}},
      // Truncation: computers (4), computing and computer (11).
      {"COMPUT+", {4, 11}},
      {"solar NOT cell", {3}},
  };
  TestServer server({});
  CurlClient client;
  ASSERT_EQ(LogInAsDemo(client, server.Root()), 200);
  for (const Case& c : cases) {
    std::string question = Translate(c.line);
    CurlClient::Reply reply = client.Post(server.Servlet(), {{"iac_op", "2"},
                                                             {"iac_base", "SMALL"},
                                                             {"action", "r"},
                                                             {"position", "1"},
                                                             {"taille", "20"},
                                                             {"question", question}});
    EXPECT_EQ(reply.status, 200) << c.line << " -> " << question << "\n" << reply.body;
    EXPECT_EQ(Documents(reply.body), c.documents) << c.line << " -> " << question;
  }
}

}  // namespace
