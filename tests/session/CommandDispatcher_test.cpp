// The dispatcher of translated commands, with the session's real parts,
// against the reference server on its small base: searches become numbered
// sets, documents of the latest set become files, the sets' own commands,
// the server's information, and the ways a session ends.
#include "session/CommandDispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "session/KeptFile.h"
#include "session/ServerConnection.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/servers/ScriptedHttpServer.h"
#include "tests/session/RecordingSink.h"

namespace {

namespace fs = std::filesystem;
using Kind = LineResult::Kind;

// The parts of a session around one dispatcher, on base SMALL as "demo".
class Session {
 public:
  explicit Session(const std::string& url, const std::string& password = "demo")
      : connection(
            url,
            [password](std::string& user, std::string& secret) {
              user = "demo";
              secret = password;
              return true;
            },
            [this](const ServerEvent& event) { Note(event); }),
        exporter(folder.path().string()),
        kept(folder.path().string()),
        exchange(connection, sets, sink, tally, "SMALL"),
        dispatcher(exchange, sets, exporter, kept, sink, tally) {}

  LineResult Search(std::string expression) {
    KTF_COMMAND command;
    command.type = CMD_SEARCH;
    command.expression = expression.data();
    return Run(command);
  }
  // PRINT, KEEP or BROWSE (the first position) of `positions`; ERASE of
  // them in `mode`.
  LineResult List(VERGER_COMMAND_TYPE type, std::vector<int32_t> positions, int mode = 2) {
    KTF_COMMAND command;
    command.type = type;
    const auto count = static_cast<int32_t>(positions.size());
    command.print_list = command.keep_list = command.erase_list = positions.data();
    command.print_count = command.keep_count = command.erase_count = count;
    command.erase_mode = mode;
    command.browse_number = positions.empty() ? -1 : positions.front();
    return Run(command);
  }
  LineResult Plain(VERGER_COMMAND_TYPE type) {
    KTF_COMMAND command;
    command.type = type;
    return Run(command);
  }

  TempDir folder;
  RecordingSink sink;
  SessionSummary tally;
  SessionSets sets;
  ServerConnection connection;
  DocumentExporter exporter;
  KeptFile kept;
  SessionExchange exchange;
  CommandDispatcher dispatcher;

 private:
  LineResult Run(const KTF_COMMAND& command) {
    sink.texts.clear();
    LineResult result;
    dispatcher.Run(command, result);
    return result;
  }
  void Note(const ServerEvent& event) {
    tally.Count(event);
    sink.Event(event);
  }
};

TEST(CommandDispatcher, SearchesBecomeNumberedSetsThatLaterQuestionsName) {
  ReferenceServer server;
  Session session(server.Servlet());
  const struct {
    const char* expression;
    int set;
    long hits;
  } kSearches[] = {
      {"TI AB=pump", 1, 2},
      {"TI AB=roof", 2, 2},
      {"$1 OR $2", 3, 4},
      {"$3 AND TI AB=solar", 4, 1},
  };
  for (const auto& known : kSearches) {
    SCOPED_TRACE(known.expression);
    const LineResult result = session.Search(known.expression);
    EXPECT_EQ(result.kind, Kind::kSearch);
    EXPECT_FALSE(result.error) << *result.error;
    EXPECT_EQ(result.set, known.set);
    EXPECT_EQ(result.hits, known.hits);
    EXPECT_TRUE(result.question.has_value());
  }
  EXPECT_EQ(session.sink.texts, std::vector<std::string>{"set 4: 1 document   $3 AND TI AB=solar"});

  const LineResult refused = session.Search("TI AB=(solar");
  ASSERT_TRUE(refused.error);
  EXPECT_EQ(refused.error->rfind("the server refused the question: ", 0), 0u) << *refused.error;
  EXPECT_FALSE(refused.set);
  EXPECT_EQ(session.tally.serverRefusals, 1u);
  EXPECT_FALSE(session.exchange.ended());

  const LineResult history = session.Plain(CMD_HISTORY);
  ASSERT_TRUE(history.sets);
  ASSERT_EQ(history.sets->size(), 4u);
  EXPECT_EQ((*history.sets)[2].expression, "$1 OR $2");
  EXPECT_EQ(session.sink.texts[0], "$1  2  TI AB=pump");
  // The first operation logged in, once.
  EXPECT_EQ(session.sink.Count(ServerEvent::Kind::kLoginRequested), 1u);
  EXPECT_EQ(session.sink.Count(ServerEvent::Kind::kAuthenticationFailed), 0u);
  EXPECT_EQ(session.sink.Count(ServerEvent::Kind::kLoggedIn), 1u);
}

TEST(CommandDispatcher, DocumentCommandsFetchTheLatestSet) {
  ReferenceServer server;
  Session session(server.Servlet());
  ASSERT_EQ(session.Search("TI AB=valve OR TI AB=pump").hits, 3);

  const LineResult printed = session.List(CMD_PRINT, {1, 2, 40});
  EXPECT_EQ(printed.set, 1);
  EXPECT_EQ(printed.missing, std::vector<int>{40});
  ASSERT_TRUE(printed.printed);
  ASSERT_EQ(printed.printed->size(), 2u);
  const DocumentExporter::Result& first = (*printed.printed)[0].files;
  EXPECT_EQ(first.number, "EP 4 A1");
  EXPECT_TRUE(fs::is_regular_file(first.sgml)) << first.sgml;
  EXPECT_TRUE(first.problems.empty());
  EXPECT_EQ(session.sink.texts[0], "set 1 has 3 documents: [40] skipped");
  EXPECT_EQ(session.tally.printed, 2u);

  const LineResult kept = session.List(CMD_KEEP, {3, 7});
  EXPECT_EQ(kept.kept, std::vector<std::string>{"EP 8 A1"});
  ASSERT_TRUE(kept.file);
  session.List(CMD_KEEP, {1});
  KtfDocumentReader reader;
  ASSERT_TRUE(reader.ReadFile(kept.file->c_str())) << reader.error();
  ASSERT_EQ(reader.documents().size(), 2u) << "the second KEEP adds to the file";
  EXPECT_EQ(reader.documents()[0][0], (std::pair<std::string, std::string>{"PN", "EP 8 A1"}));

  const LineResult browsed = session.List(CMD_BROWSE, {3});
  EXPECT_EQ(browsed.position, 3);
  ASSERT_TRUE(browsed.document);
  EXPECT_EQ(browsed.document->front().second, "EP 8 A1");
  EXPECT_NE(std::find(session.sink.texts.begin(), session.sink.texts.end(), "TI  Seal gasket"),
            session.sink.texts.end());
  EXPECT_EQ(session.tally.shown, 1u);
  EXPECT_FALSE(session.List(CMD_BROWSE, {99}).position);
}

TEST(CommandDispatcher, LongFetchesGoInBatchesWithProgress) {
  ReferenceServer server;
  Session session(server.Servlet());
  ASSERT_EQ(session.Search("PD>=19000101").hits, 11);
  const LineResult kept = session.List(CMD_KEEP, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  ASSERT_TRUE(kept.kept);
  EXPECT_EQ(kept.kept->size(), 11u);
  EXPECT_EQ(session.sink.progress, (std::vector<std::pair<size_t, size_t>>{{10, 11}, {11, 11}}));
}

TEST(CommandDispatcher, ErasedAndUnknownSetsAreRefusedBeforeTheServer) {
  ReferenceServer server;
  Session session(server.Servlet());
  session.Search("TI AB=pump");
  session.Search("TI AB=roof");
  EXPECT_EQ(session.List(CMD_ERASE, {2, 5}).erased, std::vector<int>{2});
  EXPECT_EQ(session.sink.texts, std::vector<std::string>{"erased sets [2]"});
  const struct {
    const char* expression;
    const char* error;
  } kRefused[] = {
      {"$2 AND TI AB=x", "set 2 was erased"},
      {"$9", "set 9 does not exist in this session"},
  };
  for (const auto& known : kRefused) {
    const LineResult result = session.Search(known.expression);
    EXPECT_EQ(result.error, known.error);
    EXPECT_EQ(session.sink.texts, std::vector<std::string>{std::string("refused: ") + known.error});
  }
  EXPECT_EQ(session.tally.serverRefusals, 0u);
  EXPECT_EQ(session.List(CMD_ERASE, {}, 1).erased, std::vector<int>{1});
  EXPECT_EQ(session.Plain(CMD_HISTORY).sets->size(), 0u);
  EXPECT_EQ(session.sink.texts, std::vector<std::string>{"no sets"});
  EXPECT_EQ(session.List(CMD_PRINT, {1}).error, "no search has been run yet");
}

TEST(CommandDispatcher, InformationHelpAndCommandsWithoutAServerOperation) {
  ReferenceServer server;
  Session session(server.Servlet());
  const LineResult information = session.Plain(CMD_INFORMATION);
  EXPECT_EQ(information.kind, Kind::kInformation);
  EXPECT_EQ(information.baseDocuments, "11");
  ASSERT_TRUE(information.fields && information.files);
  EXPECT_EQ(information.fields->front(), "TI");
  EXPECT_NE(std::find(information.files->begin(), information.files->end(), "help.txt"),
            information.files->end());
  const LineResult fields = session.Plain(CMD_FIELDS);
  EXPECT_EQ(fields.fields, information.fields);
  EXPECT_FALSE(fields.files);
  const LineResult help = session.Plain(CMD_HELP);
  ASSERT_TRUE(help.text);
  EXPECT_NE(help.text->find("eleven"), std::string::npos);

  for (const VERGER_COMMAND_TYPE type : {CMD_SAVE, CMD_EXECUTE, CMD_INDEX, CMD_FILE}) {
    EXPECT_EQ(session.Plain(type).kind, Kind::kUnsupported);
  }
  EXPECT_EQ(session.tally.unsupported, 4u);
  EXPECT_EQ(session.Plain(CMD_STOP).kind, Kind::kStop);
  EXPECT_TRUE(session.exchange.ended());
  EXPECT_EQ(session.exchange.exitStatus(), kExitDelivered);
}

TEST(CommandDispatcher, AnExpiredSessionLogsInAgainAndRunsItsSetsInTheNewLogin) {
  ReferenceServer server({"--session-timeout", "1"});
  Session session(server.Servlet());
  session.Search("TI AB=pump");
  session.Search("TI AB=roof");
  ASSERT_EQ(session.Search("$1 OR TI AB=valve").hits, 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  // The new login's server sets 1 and 2 are these, not the session's.
  EXPECT_EQ(session.Search("TI AB=garden").set, 4);
  EXPECT_EQ(session.Search("TI AB=wind").hits, 1);
  EXPECT_EQ(session.sets.generation(), 1);
  // Set 3 names set 1: both run again, in the new login's numbers.
  const LineResult again = session.Search("$3");
  EXPECT_FALSE(again.error) << *again.error;
  EXPECT_EQ(again.hits, 3);
  const LineResult printed = session.List(CMD_PRINT, {1, 2, 3});
  ASSERT_TRUE(printed.printed);
  EXPECT_EQ(printed.printed->size(), 3u);
  EXPECT_EQ(session.sink.Count(ServerEvent::Kind::kSessionExpired), 1u);
  EXPECT_EQ(session.sink.Count(ServerEvent::Kind::kLoggedIn),
            session.sink.Count(ServerEvent::Kind::kLoginRequested))
      << "each login said once";
}

TEST(CommandDispatcher, AFailedLoginOrAServerGoneEndsTheSessionWithItsStatus) {
  auto server = std::make_unique<ReferenceServer>();
  ScriptedHttpServer notXml;  // answers every request with 200 "OK"
  const struct {
    const char* name;
    std::string url;
    const char* password;
    bool stopServer;
    int exit;
    const char* error;
  } kCases[] = {
      {"wrong password", server->Servlet(), "wrong", false, kExitLoginRefused,
       "the login was refused: the session ends"},
      {"login answer not XML", notXml.Url("/sorrel/Search"), "demo", false, kExitOtherAnswer,
       "the server's login answer is not well-formed XML ("},
      {"server gone", server->Servlet(), "demo", true, kExitNoAnswer,
       "the server does not answer ("},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.name);
    Session session(known.url, known.password);
    if (known.stopServer) {
      ASSERT_FALSE(session.Search("TI AB=pump").error);
      server.reset();
    }
    const LineResult result = session.Search("TI AB=roof");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->rfind(known.error, 0), 0u) << *result.error;
    EXPECT_EQ(session.exchange.exitStatus(), known.exit);
    EXPECT_TRUE(session.exchange.ended());
    EXPECT_EQ(session.tally.serverRefusals, 0u);
  }
}

}  // namespace
