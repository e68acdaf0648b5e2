#pragma once

#include <csignal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/CommandDispatcher.h"
#include "session/DocumentExporter.h"
#include "session/KeptFile.h"
#include "session/LanguageCommands.h"
#include "session/LineEncoding.h"
#include "session/QuestionNotices.h"
#include "session/ServerConnection.h"
#include "session/SessionExchange.h"
#include "session/SessionSets.h"
#include "session/SessionSink.h"
#include "session/SessionSummary.h"
#include "session/StrategyStore.h"
#include "session/TranscriptSink.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

// A client session with a search server, fed one VERGER line at a time:
// each line is translated (VERGER_MODE) and its command run, by
// CommandDispatcher on the session's sets (SessionSets) and the server
// (SessionExchange over a ServerConnection), or by LanguageCommands when it
// is the session's own work (strategies, bases, the term index, help, STOP).
// Everything it has to say goes to a SessionSink: text lines and server
// events as they come, each line's result as a value, the summary at the
// end; the same goes into the transcript OUT/transcript.txt (TranscriptSink).
// A session whose server stops answering, refuses the login, or answers it
// with something else than XML, ends; after that, only the lines that need
// no server run.
class SearchSession {
 public:
  struct Settings {
    std::string base = "SAMPLE";  // the database searched
    std::string outDir = ".";     // where documents go; must exist
    // Where strategies are kept; "" for StrategyStore::DefaultFolder().
    std::string strategies;
    // Set by the front end's interrupt handler: the command being run stops
    // after the document in hand, its files whole. Null: none. Must outlive
    // the session.
    const volatile std::sig_atomic_t* stop = nullptr;
    // The encoding of the lines given to Run, as nl_langinfo(CODESET) names
    // it ("UTF-8" for a browser); empty: the environment's locale.
    std::string codeset;
  };

  // Exit statuses of Finish(), as the other server operations give them.
  static constexpr int kCompleted = kExitDelivered;
  static constexpr int kLoginRefused = kExitLoginRefused;
  static constexpr int kServerGone = kExitNoAnswer;
  static constexpr int kBadAnswer = kExitOtherAnswer;  // a login answer that is not XML

  // No traffic yet. `credentials` give the user's name and password when the
  // server asks (SessionListener). `config` holds the known criteria; it and
  // `sink` must outlive the session.
  SearchSession(const std::string& url, SessionListener::CredentialSource credentials,
                const Settings& settings, VERGER_CONFIG& config, SessionSink& sink);
  // Says goodbye to the server.
  ~SearchSession();
  SearchSession(const SearchSession&) = delete;
  SearchSession& operator=(const SearchSession&) = delete;

  // Runs one line; false when the session has ended (STOP, a refused login,
  // a server that no longer answers): a terminal reads no later line. A
  // front end that goes on (a page) may: after the end the commands that
  // need no server still run (LanguageCommands::RunsLocally), and any other
  // line is answered with one error and sends nothing. Blank lines and lines
  // starting with '#' are skipped. The line is in the settings' codeset;
  // everything the sink is given is UTF-8 (LineEncoding), and a line holding
  // a character the code pages lack is refused, naming it.
  bool Run(std::string line);
  // Hands the summary (with the files made) to the sink; returns the exit status.
  int Finish();
  // The lines a front end shows when the session starts: how to get help,
  // how to leave, where strategies are kept.
  std::vector<std::string> Banner() const;

  // For a front end that shows the sets beside the lines (a page in a
  // browser), outside any line: nothing is counted in the summary, and
  // failures go into `result.error` and to the sink's text as for a line.
  // The session's sets, erased ones too.
  const std::vector<SessionSets::Set>& sets() const { return sets_.sets(); }
  // The session has ended: nothing more is sent.
  bool ended() const { return exchange_.ended(); }
  // The documents of set `number` at `positions`, their fields as the
  // server sent them (windows-1252); positions outside the set (or a set
  // that does not exist) are skipped.
  std::vector<std::pair<int, KtfDocumentReader::Document>> Documents(
      int number, const std::vector<int>& positions, LineResult& result);
  // Document `position` of set `number` turned into files as PRINT does,
  // its number and title in UTF-8; empty when it could not be fetched.
  // With `later`, only its first facsimile page is made now, the others
  // are left there for ExportPages.
  std::optional<DocumentExporter::Result> Export(int number, int position, LineResult& result,
                                                 DocumentExporter::LaterPages* later = nullptr);
  // The pages an Export left, fetched and converted.
  DocumentExporter::Result ExportPages(const DocumentExporter::LaterPages& later,
                                       LineResult& result);

 private:
  // A line in the session's codeset, made ready for the translator and
  // translated: the translator's code, or the reason it was refused before
  // translation or after it (a question the server's code page cannot hold).
  struct Translated {
    LineEncoding::Line ready;
    VERGER_ERROR code = SYNTAX_OK;
    std::optional<std::string> refusal;
  };

  // Translates a typed or saved `line` into `command`; a search's question
  // is put back in UTF-8 and its notices (folded letters, QuestionNotices)
  // go into `result` and to the sink.
  Translated Translate(const std::string& line, KTF_COMMAND& command, LineResult& result);
  // A line the translator refused with `code`: its message names the word
  // at fault, and the line is shown with a caret under it.
  void Refuse(VERGER_ERROR code, const LineEncoding::Line& line, LineResult& result);
  // A line that needs the server after the session ended: not run, the
  // default criteria put back to `defaults`, one error naming what still runs.
  void Ended(const std::string& defaults, LineResult& result);
  // A line refused before or after translation for `reason`.
  void RefuseText(const std::string& reason, LineResult& result);
  // Counts an event of the server's session and passes it on to the sink.
  void Note(const ServerEvent& event);

  VERGER_CONFIG& config_;
  LineEncoding encoding_;
  std::string question_;  // the latest search question, UTF-8, for the translated command
  TranscriptSink sink_;   // the front end's sink, behind the transcript
  VERGER_MODE mode_;
  KTF_COMMAND command_;
  SessionSummary tally_;
  SessionSets sets_;
  ServerConnection connection_;
  DocumentExporter exporter_;
  KeptFile kept_;
  SessionExchange exchange_;
  CommandDispatcher dispatcher_;
  StrategyStore store_;
  QuestionNotices notices_;
  LanguageCommands language_;
};
