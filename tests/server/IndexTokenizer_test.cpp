// Words the index folds (capitals, accents) are found however they are
// written, also where no MATCH tokenizes them: the pieces of a truncated
// word and the word an index listing starts from.
#include "server/IndexTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/QueryParser.h"
#include "server/SqliteEngine.h"
#include "tests/common/TempDir.h"

namespace {

TEST(IndexTokenizer, AccentedAndCapitalWildcardWordsFindTheirDocuments) {
  TempDir base;
  // The base's text is Latin-1, as questions are.
  WriteBytes(base.File("documents.ktf"),
             "PN=EP 1 A1\nIN=J\xFCrgen M\xFCller\nTI=\xC9" "cole\n\n"
             "PN=EP 2 A1\nIN=Anna Muller\nTI=Ecole\n\nPN=EP 3 A1\nIN=Jens Mahler\n");
  SqliteEngine engine;
  std::string error;
  ASSERT_TRUE(engine.Open(base.path().string(), error)) << error;
  const struct {
    const char* question;
    size_t hits;
  } cases[] = {
      {"IN=m\xFC?ler", 2},  {"IN=MU?LER", 2},     {"IN=M\xDC#LLER", 2}, {"IN=m*ler", 3},
      {"TI=\xE9" "co?e", 2}, {"IN=j\xFC*gen", 1}, {"IN=m\xE4?ler", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.question);
    QueryNode root;
    ASSERT_TRUE(QueryParser::Parse(c.question, root, error)) << error;
    SearchEngine::HitList hits;
    ASSERT_TRUE(engine.Run(root, {}, hits, error)) << error;
    EXPECT_EQ(hits.size(), c.hits);
  }
  // A listing asked from "Mü" (UTF-8, as the servlet passes it) has the
  // words before "mu" first, then "muller".
  SearchEngine::TermCounts terms;
  ASSERT_TRUE(engine.Terms("IN", "M\xC3\xBC", terms, error)) << error;
  std::vector<std::string> words;
  for (const auto& term : terms) words.push_back(term.first);
  EXPECT_EQ(words, (std::vector<std::string>{"jens", "jurgen", "mahler", "muller"}));
}

}  // namespace
