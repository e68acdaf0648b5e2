// Saved strategies as data and on disk: the text form read back, set
// references renumbered only where they are whole tokens, names that would
// leave the folder refused, and a writer killed midway leaving a whole file.
#include "session/StrategyStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "session/QuestionNotices.h"
#include "tests/common/TempDir.h"
#include "tests/servers/ScopedEnvironment.h"

namespace {

namespace fs = std::filesystem;

TEST(Strategy, TextReadsBackAndHandWrittenLinesAreRead) {
  Strategy saved;
  saved.questions = {
      {1, "solar AND panel", "TI AB"}, {4, "$1 OR wind/TI", "PD"}, {5, "..SE pump", std::string()}};
  Strategy read;
  std::string problem;
  ASSERT_TRUE(Strategy::Parse(saved.Text(), read, problem)) << problem;
  ASSERT_EQ(read.questions.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(read.questions[i].set, saved.questions[i].set);
    EXPECT_EQ(read.questions[i].line, saved.questions[i].line);
    EXPECT_EQ(read.questions[i].defaults, saved.questions[i].defaults);
  }
  // Written by hand: comments, blank lines, no criteria column.
  ASSERT_TRUE(Strategy::Parse("# mine\n\n$2\tgarden/TI\n", read, problem));
  ASSERT_EQ(read.questions.size(), 1u);
  EXPECT_FALSE(read.questions[0].defaults);
  for (const char* bad :
       {"solar\n", "$0\tsolar\n", "$x\tsolar\n", "$2\n", "$2\tTI\t\n", "$2 \tq\n"}) {
    EXPECT_FALSE(Strategy::Parse(bad, read, problem)) << bad;
  }
}

TEST(Strategy, RenumberReplacesWholeSetReferencesOnly) {
  const std::map<int, int> renumbered = {{1, 10}, {2, 11}, {12, 3}};
  const struct {
    const char* line;
    const char* renumbered;
    std::vector<int> unmapped;
  } kCases[] = {
      {"$1 AND $2", "$10 AND $11", {}},
      {"($12 OR $1),$2", "($3 OR $10),$11", {}},
      {"$1 AND $7", "$10 AND $7", {7}},
      {"US$1 AND $1x AND $ AND cost$", "US$1 AND $1x AND $ AND cost$", {}},
      {"$1234567890 AND $2", "$1234567890 AND $11", {}},  // past nine digits: not a set
  };
  for (const auto& known : kCases) {
    std::vector<int> unmapped;
    EXPECT_EQ(Strategy::Renumber(known.line, renumbered, unmapped), known.renumbered);
    EXPECT_EQ(unmapped, known.unmapped) << known.line;
  }
  EXPECT_EQ(Strategy::References("$3 AND ($12 OR a$4)"), (std::vector<int>{3, 12}));
}

TEST(StrategyStore, NamesThatWouldLeaveTheFolderAreRefused) {
  TempDir home;
  const StrategyStore store(home.File("strategies"));
  Strategy strategy;
  strategy.questions = {{1, "solar", "TI AB"}};
  std::string error;
  for (const std::string& name : std::vector<std::string>{"../x", "/etc/x", "a/b", ".hidden", "..",
                                                          "", "a b", std::string(128, 'n')}) {
    EXPECT_FALSE(store.Save(name, strategy, error)) << name;
    EXPECT_FALSE(error.empty());
    Strategy read;
    EXPECT_FALSE(store.Load(name, read, error)) << name;
    EXPECT_FALSE(store.Erase(name, error)) << name;
  }
  EXPECT_FALSE(fs::exists(home.File("x")));
  EXPECT_FALSE(fs::exists(home.File("strategies")));

  ASSERT_TRUE(store.Save(std::string(127, 'n'), strategy, error)) << error;
  ASSERT_TRUE(store.Save("solar-1.v2_b", strategy, error)) << error;
  EXPECT_EQ(fs::status(store.PathOf("solar-1.v2_b")).permissions() & fs::perms::others_write,
            fs::perms::none);
  Strategy read;
  ASSERT_TRUE(store.Load("solar-1.v2_b", read, error)) << error;
  EXPECT_EQ(read.questions[0].line, "solar");
  ASSERT_TRUE(store.Erase("solar-1.v2_b", error)) << error;
  EXPECT_FALSE(store.Load("solar-1.v2_b", read, error));
  EXPECT_NE(error.find("no strategy named solar-1.v2_b"), std::string::npos) << error;
  EXPECT_FALSE(store.Erase("solar-1.v2_b", error));
}

TEST(StrategyStore, DefaultFolderFollowsTheEnvironment) {
  ScopedEnvironment environment;
  environment.Set("HOME", "/home/u").Set("XDG_DATA_HOME", "/data");
  EXPECT_EQ(StrategyStore::DefaultFolder(), "/data/sorrel/strategies");
  environment.Set("XDG_DATA_HOME", "relative");  // not absolute: ignored
  EXPECT_EQ(StrategyStore::DefaultFolder(), "/home/u/.local/share/sorrel/strategies");
  environment.Clear("XDG_DATA_HOME").Clear("HOME");
  EXPECT_EQ(StrategyStore::DefaultFolder(), "");
  std::string error;
  EXPECT_FALSE(StrategyStore("").Save("x", Strategy(), error));
}

// A process that saves ever longer strategies under one name until it is
// killed: whatever moment the kill came, the file holds a whole strategy.
TEST(StrategyStore, AWriterKilledMidwayLeavesAWholeStrategy) {
  TempDir home;
  const StrategyStore store(home.File("s"));
  std::string error;
  for (const int pauseUs : {0, 300, 1000, 3000, 7000}) {
    const pid_t child = ::fork();
    if (child == 0) {
      Strategy strategy;
      for (int round = 1;; ++round) {
        strategy.questions.push_back({round, std::string(4000, 'a') + " AND b", "TI AB"});
        if (!store.Save("big", strategy, error)) ::_exit(1);
      }
    }
    ::usleep(static_cast<useconds_t>(2000 + pauseUs));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    Strategy read;
    if (!fs::exists(store.PathOf("big"))) continue;  // killed before the first rename
    ASSERT_TRUE(store.Load("big", read, error)) << error;
    ASSERT_FALSE(read.questions.empty());
    for (size_t i = 0; i < read.questions.size(); ++i) {
      EXPECT_EQ(read.questions[i].set, static_cast<int>(i) + 1);
      EXPECT_EQ(read.questions[i].line.size(), 4006u);
    }
  }
  // Only the strategy and the writer's temporary files (names starting with
  // '.', never read as strategies) are in the folder.
  for (const auto& entry : fs::directory_iterator(home.File("s"))) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "big.strategy" || name[0] == '.') << name;
  }
}

TEST(QuestionNotices, ChangedCriteriaAndMistypedOperatorsAreSaidOnce) {
  QuestionNotices notices;
  const struct {
    const char* line;
    const char* before;
    const char* after;
    std::vector<std::string> said;
  } kLines[] = {
      {"solar AND panel", "TI AB", "TI AB", {}},
      {"/PD >=2000 AND a", "TI AB", "PD", {"bare words now search PD"}},
      {"solar ANDD roof",
       "PD",
       "PD",
       {"\"ANDD\" is searched as a word; did you mean the operator AND?"}},
      {"solar ANDD cell adn roof",
       "PD",
       "PD",
       {"\"adn\" is searched as a word; did you mean the operator AND?"}},
      {"..SE solar NEAR cell ORR sand hand near",
       "PD",
       "PD",
       {"\"NEAR\" is searched as a word; this language writes nW or nD (solar 3D cell)",
        "\"ORR\" is searched as a word; did you mean the operator OR?"}},
      {"solar NEAR cell NOT ORNOT andnot", "PD", "PD", {}},
  };
  for (const auto& known : kLines) {
    EXPECT_EQ(notices.Check(known.line, known.before, known.after), known.said) << known.line;
  }
}

}  // namespace
