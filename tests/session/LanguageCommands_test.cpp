// The session's own commands through SearchSession, against the reference
// server on its small base: strategies saved in one session and run again
// in another, STOP with and without saving, FILE's modes, the term index
// (and a server without one), the help against the translator's own
// command table, the transcript, and the commands that still run after the
// server is gone.
#include "session/LanguageCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "session/BundledFiles.h"
#include "session/CriteriaProfile.h"
#include "session/SearchSession.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/servers/ScriptedHttpServer.h"
#include "tests/session/RecordingSink.h"
#include "translator/VergerTables.h"

namespace {

namespace fs = std::filesystem;
using Kind = LineResult::Kind;

// One session of "demo" on base SMALL, its files in `out`, its strategies in `strategies`.
class Typed {
 public:
  Typed(const std::string& url, const std::string& out, const std::string& strategies) {
    std::string error;
    if (!LoadCriteriaProfile(BundledFile("criteria.ini"), config_, error))
      throw std::runtime_error(error);
    SearchSession::Settings settings;
    settings.base = "SMALL";
    settings.outDir = out;
    settings.strategies = strategies;
    session_ = std::make_unique<SearchSession>(
        url,
        [](std::string& user, std::string& password) {
          user = password = "demo";
          return true;
        },
        settings, config_, sink);
  }
  // Runs `line`; a copy of its result (a later line may move the sink's).
  LineResult Line(const std::string& line) {
    sink.texts.clear();
    session_->Run(line);
    return sink.results.back();
  }
  SearchSession& session() { return *session_; }
  const VERGER_CONFIG& config() const { return config_; }
  RecordingSink sink;

 private:
  VERGER_CONFIG config_;
  std::unique_ptr<SearchSession> session_;
};

bool Said(const RecordingSink& sink, const std::string& part) {
  for (const std::string& text : sink.texts) {
    if (text.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(LanguageCommands, AStrategyRunInANewSessionGivesTheSameHitsOnRenumberedSets) {
  ReferenceServer server;
  TempDir out, strategies;
  std::vector<long> hits;
  {
    Typed first(server.Servlet(), out.path().string(), strategies.path().string());
    for (const char* line : {"pump", "roof", "$1 OR $2", "/PD >=2000 AND valve", "$3 AND seal"}) {
      hits.push_back(first.Line(line).hits.value_or(-1));
    }
    EXPECT_EQ(first.Line("..SV first").kind, Kind::kSave);
    EXPECT_FALSE(first.Line("..STOP END").error);
  }
  EXPECT_TRUE(fs::exists(strategies.path() / "first.strategy"));
  EXPECT_FALSE(fs::exists(strategies.path() / "last-session.strategy"));  // END saves nothing

  Typed second(server.Servlet(), out.path().string(), strategies.path().string());
  second.Line("wind");  // set 1 of this session
  const LineResult all = second.Line("..EX FROM first");
  ASSERT_EQ(all.kind, Kind::kExecute);
  EXPECT_FALSE(all.error) << *all.error;
  ASSERT_TRUE(all.executed);
  ASSERT_EQ(all.executed->size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ((*all.executed)[i].set, static_cast<int>(i) + 2);
    EXPECT_EQ((*all.executed)[i].hits, hits[i]) << (*all.executed)[i].line;
  }
  EXPECT_EQ((*all.executed)[2].line, "$2 OR $3");
  EXPECT_EQ((*all.executed)[4].line, "$4 AND seal");

  // From the third question: its references to sets not run are refused,
  // not read as this session's sets of the same numbers.
  const LineResult third = second.Line("..EX 3 FROM first");
  ASSERT_TRUE(third.executed);
  ASSERT_EQ(third.executed->size(), 3u);
  EXPECT_EQ((*third.executed)[0].number, 3);
  EXPECT_FALSE((*third.executed)[0].set);
  EXPECT_EQ((*third.executed)[1].hits, hits[3]);
  EXPECT_FALSE((*third.executed)[2].set);  // "$3 AND seal": $3 came from question 3
  EXPECT_TRUE(third.error);

  // STOP saves the session's strategy (both runs and "wind") under the default name.
  EXPECT_TRUE(second.Line("..STOP").strategyFile);
  Strategy saved;
  std::string error;
  ASSERT_TRUE(StrategyStore(strategies.path().string()).Load("last-session", saved, error));
  EXPECT_EQ(saved.questions.size(), 7u);
  EXPECT_EQ(saved.questions[3].line, "$2 OR $3");
}

TEST(LanguageCommands, FileModesAndRefusedBasesChangeNothingElse) {
  ReferenceServer server;
  TempDir out, strategies;
  Typed typed(server.Servlet(), out.path().string(), strategies.path().string());
  ASSERT_EQ(typed.Line("pump").set, 1);
  const LineResult nosuch = typed.Line("..FILE NOSUCH BEGIN");
  EXPECT_EQ(nosuch.kind, Kind::kFile);
  EXPECT_TRUE(nosuch.error);
  EXPECT_TRUE(Said(typed.sink, "still searching SMALL"));
  const LineResult again = typed.Line("$1 OR pump");  // set 1 stands, the base is SMALL
  EXPECT_EQ(again.hits, 2);

  const LineResult stat = typed.Line("..FI small STAT");
  EXPECT_EQ(stat.baseDocuments, "11");
  EXPECT_FALSE(stat.error);
  EXPECT_TRUE(typed.Line("..FI kept SV").strategyFile);
  EXPECT_TRUE(fs::exists(strategies.path() / "kept.strategy"));
  EXPECT_FALSE(typed.Line("..FI kept ER").error);
  EXPECT_FALSE(fs::exists(strategies.path() / "kept.strategy"));
  EXPECT_TRUE(typed.Line("..FI kept ER").error);  // nothing left to erase

  // BEGIN on a known base (any case) erases the sets of the base left.
  const LineResult begin = typed.Line("..FI small BEGIN");
  EXPECT_EQ(begin.base, "SMALL");
  EXPECT_FALSE(begin.error);
  EXPECT_TRUE(typed.Line("$1 OR pump").error);
  EXPECT_EQ(typed.Line("roof").hits, 2);
}

TEST(LanguageCommands, HelpListsEveryCommandTheTranslatorAccepts) {
  ReferenceServer server;
  TempDir out;
  Typed typed(server.Servlet(), out.path().string(), out.File("s"));
  const LineResult help = typed.Line("..HELP");
  ASSERT_EQ(help.kind, Kind::kHelp);
  ASSERT_TRUE(help.text);
  VERGER_MODE mode;
  VERGER_CONFIG config;
  for (size_t row = 1; verger_tables::kCommandTable[row] != nullptr; ++row) {
    // The row's upper-case spellings: "-PRINT-PR-print-pr-" gives PRINT and PR.
    const std::string spellings = verger_tables::kCommandTable[row];
    std::vector<std::string> words;
    for (size_t at = 1; at < spellings.size();) {
      const size_t end = std::min(spellings.find('-', at), spellings.size());
      const std::string word = spellings.substr(at, end - at);
      if (!word.empty() && std::isupper(static_cast<unsigned char>(word[0]))) words.push_back(word);
      at = end + 1;
    }
    KTF_COMMAND command;
    std::string line = ".." + words.front();
    const VERGER_ERROR code = mode.command(line.data(), &config, command);
    const bool accepted = code != INTERNAL_ERROR && code != UNKNOWN_KEYWORD;
    for (const std::string& word : words) {
      EXPECT_EQ(help.text->find(".." + word + " ") != std::string::npos ||
                    help.text->find(".." + word + ")") != std::string::npos,
                accepted)
          << word;
    }
  }
  EXPECT_NE(help.text->find("Fields of base SMALL: TI AB"), std::string::npos) << *help.text;
  EXPECT_NE(help.text->find("..STOP END"), std::string::npos);
  EXPECT_NE(typed.Line("..HELP help").text, help.text);  // a topic: the server's help file
}

TEST(LanguageCommands, TheIndexListsWordsAroundTheTermAndANoIndexServerSaysSo) {
  ReferenceServer server;
  TempDir out;
  Typed typed(server.Servlet(), out.path().string(), out.File("s"));
  const LineResult index = typed.Line("..IND /TI sol");
  ASSERT_EQ(index.kind, Kind::kIndex);
  ASSERT_TRUE(index.terms) << index.error.value_or("");
  // Counted from the base's own documents: the title words, split and
  // folded as the index does, each with the documents it is in.
  KtfDocumentReader reader;
  ASSERT_TRUE(reader.ReadFile(SORREL_SOURCE_DIR "/tests/server/data/small/documents.ktf"));
  std::map<std::string, long> counted;
  for (const auto& document : reader.documents()) {
    std::set<std::string> words;
    std::string word;
    for (const auto& [code, value] : document) {
      for (const char c : code == "TI" ? value + " " : "") {
        if (std::isalnum(static_cast<unsigned char>(c))) {
          word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!word.empty()) {
          words.insert(word);
          word.clear();
        }
      }
    }
    for (const std::string& each : words) ++counted[each];
  }
  auto from = counted.lower_bound("sol");
  std::vector<std::pair<std::string, long>> expected;
  for (size_t before = 0; before < 3 && from != counted.begin(); ++before) --from;
  for (; from != counted.end() && expected.size() < 15; ++from) expected.push_back(*from);
  EXPECT_EQ(*index.terms, expected);
  const size_t place = static_cast<size_t>(std::count_if(
      expected.begin(), expected.end(), [](const auto& entry) { return entry.first < "sol"; }));
  EXPECT_TRUE(
      Said(typed.sink, "E" + std::to_string(place + 1) + std::string(10, ' ') + "0  sol  <-"));
  // An accented word reaches the server in its code page, which folds it as
  // its index does: "wé" lists from "we", after "wafer".
  const LineResult accented = typed.Line("..IND /TI w\u00e9");
  ASSERT_TRUE(accented.terms) << accented.error.value_or("");
  EXPECT_EQ(*accented.terms, *typed.Line("..IND /TI we").terms);
  EXPECT_TRUE(typed.Line("..IND /PD 2000").error);  // dates have no word index
  EXPECT_TRUE(typed.Line("..IND").error);

  ScriptedHttpServer old;
  old.SetHandler([](const RecordedRequest& request) {
    if (request.target.find("UserAuthentication") != std::string::npos) {
      return ScriptedAnswer::OpenSession();
    }
    return ScriptedAnswer{404, {}, "<html><title>x: no such file</title></html>", "text/html"};
  });
  Typed elsewhere(old.Url("/sorrel/Search"), out.path().string(), out.File("s"));
  const LineResult none = elsewhere.Line("..IND /TI sol");
  ASSERT_TRUE(none.error);
  EXPECT_EQ(none.error->rfind("this server offers no index", 0), 0u) << *none.error;
  EXPECT_FALSE(none.terms);
}

TEST(LanguageCommands, TheTranscriptHoldsEachLineAndItsAnswerWithTheTime) {
  ReferenceServer server;
  TempDir out;
  {
    Typed typed(server.Servlet(), out.path().string(), out.File("s"));
    typed.Line("/PD >=2000 AND pump");
    typed.Line("..PR 9");
    typed.Line("solar \x1b]0;title\x07");
    typed.session().Finish();
  }
  const std::string transcript = ReadBytes(out.File("transcript.txt"));
  for (const char* part : {"Z > /PD >=2000 AND pump\n", "Z   bare words now search PD\n",
                           "Z   set 1: ", "Z > ..PR 9\n", "skipped", "session ended"}) {
    EXPECT_NE(transcript.find(part), std::string::npos) << part << "\n" << transcript;
  }
  EXPECT_EQ(transcript.rfind("20", 0), 0u);  // each line starts with the year
  EXPECT_EQ(transcript.find('\x1b'), std::string::npos);
  EXPECT_NE(transcript.find("> solar ?]0;title?\n"), std::string::npos);
}

// A server gone ends the session: Run says so for every later line, as a
// terminal needs; a page that goes on gets the commands that need no server,
// and one error for the others, whose leading field changes nothing.
TEST(LanguageCommands, AfterTheServerIsGoneOnlyTheCommandsThatNeedNoServerRun) {
  auto server = std::make_unique<ReferenceServer>();
  TempDir out, strategies;
  Typed typed(server->Servlet(), out.path().string(), strategies.path().string());
  ASSERT_TRUE(typed.Line("pump").set);
  ASSERT_TRUE(typed.Line("roof").set);
  server.reset();
  ASSERT_TRUE(typed.Line("valve").error);
  ASSERT_TRUE(typed.session().ended());
  const std::string defaults = LanguageCommands::Defaults(typed.config());
  constexpr const char* kGone = "the search server is gone: nothing was sent; ..HELP, ..HI";
  const struct {
    const char* line;
    Kind kind;
    const char* said;  // a part of a text line; kGone's error for kEnded
  } kCases[] = {
      {"..HI", Kind::kHistory, "$2  "},
      {"..HE", Kind::kHelp, "..STOP"},
      {"/PD >=2000 AND wind", Kind::kEnded, kGone},
      {"..SV kept", Kind::kSave, "strategy kept saved: 2 questions"},
      {"..FILE other SV", Kind::kSave, "strategy other saved"},
      {"..FILE other ER", Kind::kFile, "strategy other erased"},
      {"..ER 1", Kind::kErase, "erased sets [1]"},
      {"..PR 1", Kind::kEnded, kGone},
      {"..INFO", Kind::kEnded, kGone},
      {"..HE TI", Kind::kEnded, kGone},
      {"..IND /TI s", Kind::kEnded, kGone},
      {"..EX FROM kept", Kind::kEnded, kGone},
      {"..FILE SMALL BEGIN", Kind::kEnded, kGone},
      {"solar AND AND pump", Kind::kRefused, "not a valid line"},
      {"..STOP", Kind::kStop, "strategy saved as last-session: 1 question"},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.line);
    typed.sink.texts.clear();
    EXPECT_FALSE(typed.session().Run(known.line));
    const LineResult& result = typed.sink.results.back();
    EXPECT_EQ(result.kind, known.kind);
    EXPECT_TRUE(Said(typed.sink, known.said));
    if (known.kind == Kind::kEnded) {
      ASSERT_TRUE(result.error);
      EXPECT_EQ(result.error->rfind(kGone, 0), 0u) << *result.error;
      EXPECT_EQ(typed.sink.texts.size(), 1u) << "one error, nothing else";
    } else if (known.kind != Kind::kRefused) {
      EXPECT_FALSE(result.error) << *result.error;
    }
    EXPECT_EQ(LanguageCommands::Defaults(typed.config()), defaults);
  }
  EXPECT_TRUE(fs::exists(fs::path(strategies.path()) / "kept.strategy"));
  EXPECT_FALSE(fs::exists(fs::path(strategies.path()) / "other.strategy"));
  EXPECT_EQ(typed.session().Finish(), SearchSession::kServerGone);
}

}  // namespace
