#include "server/SqliteEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "server/QueryParser.h"
#include "tests/common/TempDir.h"

namespace {

size_t Hits(SqliteEngine& engine, const std::string& question) {
  QueryNode root;
  std::string error;
  EXPECT_TRUE(QueryParser::Parse(question, root, error)) << error;
  SearchEngine::HitList hits;
  EXPECT_TRUE(engine.Run(root, {}, hits, error)) << error;
  return hits.size();
}

TEST(SqliteEngine, ReindexesWhenTheDocumentsChange) {
  TempDir base;
  WriteBytes(base.File("documents.ktf"), "PN=EP 1 A1\nTI=Alpha\n\nPN=EP 2 A1\nTI=Beta\n");
  {
    SqliteEngine engine;
    std::string error;
    ASSERT_TRUE(engine.Open(base.path().string(), error)) << error;
    EXPECT_EQ(engine.DocumentCount(), 2u);
    EXPECT_EQ(Hits(engine, "TI=alpha"), 1u);
  }
  // A different size tells the index is stale even within the same second.
  WriteBytes(base.File("documents.ktf"), "PN=EP 3 A1\nTI=Gamma rays\n");
  SqliteEngine engine;
  std::string error;
  ASSERT_TRUE(engine.Open(base.path().string(), error)) << error;
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
  WriteBytes(base.File("documents.ktf"), text);
  SqliteEngine engine;
  std::string error;
  ASSERT_TRUE(engine.Open(base.path().string(), error)) << error;
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

}  // namespace
