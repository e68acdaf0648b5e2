#include "server/SqliteEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "server/QueryParser.h"
#include "tests/common/TempDir.h"

namespace {

std::vector<int64_t> Found(SqliteEngine& engine, const std::string& question) {
  QueryNode root;
  std::string error;
  EXPECT_TRUE(QueryParser::Parse(question, root, error)) << error;
  SearchEngine::HitList hits;
  EXPECT_TRUE(engine.Run(root, {}, hits, error)) << question << ": " << error;
  return hits;
}

size_t Hits(SqliteEngine& engine, const std::string& question) {
  return Found(engine, question).size();
}

// Opens `engine` on a base in `base` whose documents are `documents`.
bool OpenOn(SqliteEngine& engine, const TempDir& base, const std::string& documents) {
  WriteBytes(base.File("documents.ktf"), documents);
  std::string error;
  EXPECT_TRUE(engine.Open(base.path().string(), error)) << error;
  return error.empty();
}

TEST(SqliteEngine, ReindexesWhenTheDocumentsChange) {
  TempDir base;
  {
    SqliteEngine engine;
    ASSERT_TRUE(OpenOn(engine, base, "PN=EP 1 A1\nTI=Alpha\n\nPN=EP 2 A1\nTI=Beta\n"));
    EXPECT_EQ(engine.DocumentCount(), 2u);
    EXPECT_EQ(Hits(engine, "TI=alpha"), 1u);
  }
  // A different size tells the index is stale even within the same second.
  SqliteEngine engine;
  ASSERT_TRUE(OpenOn(engine, base, "PN=EP 3 A1\nTI=Gamma rays\n"));
  EXPECT_EQ(engine.DocumentCount(), 1u);
  EXPECT_EQ(Hits(engine, "TI=alpha"), 0u);
  EXPECT_EQ(Hits(engine, "TI=gamma"), 1u);
  std::string document;
  EXPECT_TRUE(engine.FindByNumber("EP 3 A1", document));
  EXPECT_EQ(document, "PN=EP 3 A1\nTI=Gamma rays\n");
}

TEST(SqliteEngine, RefusesDocumentsThatDoNotRead) {
  TempDir base;
  WriteBytes(base.File("documents.ktf"), "PN=EP 1 A1\n\n# note\nPN=EP 2 A1\nnot a field\n");
  SqliteEngine engine;
  std::string error;
  EXPECT_FALSE(engine.Open(base.path().string(), error));
  EXPECT_NE(error.find("documents.ktf: line 5: not a CODE=VALUE"), std::string::npos) << error;
  TempDir empty;
  EXPECT_FALSE(engine.Open(empty.path().string(), error));
  EXPECT_NE(error.find("no documents.ktf"), std::string::npos) << error;
}

TEST(SqliteEngine, AnswersQuestionsFromManyThreadsAtOnce) {
  TempDir base;
  std::string text;
  for (int i = 1; i <= 50; ++i) {
    text += "PN=EP " + std::to_string(i) + " A1\nTI=" + (i % 2 ? "odd" : "even") + " pump\n\n";
  }
  SqliteEngine engine;
  ASSERT_TRUE(OpenOn(engine, base, text));
  std::vector<std::thread> threads;
  std::atomic<int> right{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        if (Hits(engine, "TI=odd +W pump") == 25) ++right;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(right, 160);
}

// Runs of one level's operators are evaluated as lists, partly in FTS5 and
// partly as set operations; deep alternations leave FTS5 for set operations.
TEST(SqliteEngine, OperatorRunsAnswerAsTheirSetsSay) {
  TempDir base;
  SqliteEngine engine;
  ASSERT_TRUE(
      OpenOn(engine, base,
             "PN=EP 1 A1\nTI=alpha beta\nPD=20050101\n\nPN=EP 2 A1\nTI=alpha\nPD=19990101\n\n"
             "PN=EP 3 A1\nTI=beta gamma\nPD=20100101\n\nPN=EP 4 A1\nTI=delta\nPD=20010101\n"));
  std::string deep = "TI=alpha";
  for (int i = 0; i < 30; ++i) deep = "TI=alpha AND (beta OR (" + deep + "))";
  struct Case {
    std::string question;
    std::vector<int64_t> documents;
  } cases[] = {
      {"TI=alpha NOT beta AND alpha NOT gamma", {2}},
      {"TI=alpha ORNOT beta ORNOT gamma", {1, 2, 4}},
      {"TI=delta ORNOT beta", {2, 4}},
      {"PD>=2000 AND TI=alpha AND beta", {1}},
      {"TI=beta OR PD<2000 OR TI=delta", {1, 2, 3, 4}},
      {"NOT TI=alpha NOT delta", {3}},
      {"TI=alpha AND nowhere OR gamma", {3}},
      {"TI=alpha NOT nowhere", {1, 2}},
      {"TI=alpha +W beta +W gamma", {}},
      {"TI=(alpha OR gamma) +W beta OR delta", {1, 4}},
      {deep, {1, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(engine, c.question), c.documents) << c.question;
}

TEST(SqliteEngine, StopsAQuestionOverItsBudgetOrItsTime) {
  TempDir base;
  SqliteEngine engine;
  ASSERT_TRUE(OpenOn(engine, base, "PN=EP 1 A1\nTI=alpha beta\n"));
  std::string error;
  // Five links of 16 x 16 pairs each: within each link's limit, over the
  // question's budget of lookups.
  std::string group = "(w0";
  for (int i = 1; i < 16; ++i) group += " OR w" + std::to_string(i);
  group += ")";
  std::string question = "TI=" + group;
  for (int link = 0; link < 5; ++link) question += " +W " + group;
  QueryNode root;
  ASSERT_TRUE(QueryParser::Parse(question, root, error)) << error;
  SearchEngine::HitList hits;
  EXPECT_FALSE(engine.Run(root, {}, hits, error));
  EXPECT_NE(error.find("more than 1024 index lookups"), std::string::npos) << error;
  engine.SetTimeLimit(std::chrono::milliseconds(0));
  ASSERT_TRUE(QueryParser::Parse("TI=alpha AND PD>2000", root, error)) << error;
  EXPECT_FALSE(engine.Run(root, {}, hits, error));
  EXPECT_EQ(error, "the question takes longer than 0 ms to answer; narrow it");
}

}  // namespace
