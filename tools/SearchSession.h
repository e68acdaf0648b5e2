#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "net/InternetAccessControllers.h"
#include "ktf/KtfDocumentReader.h"
#include "tools/DocumentExporter.h"
#include "tools/ServerClient.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VERGER_MODE.h"

// A client session with a search server, fed one VERGER line at a time: each
// line is translated; a search is checked and run on the server and its hit
// count shown with its set number; PRINT, KEEP and BROWSE fetch documents of
// the latest set, ERASE and HISTORY act on the session's sets, INFORMATION,
// FIELDS and HELP ask the server. Printed documents become SGML,
// style sheet, TIFF and PNG files in the output folder (DocumentExporter).
// Results go to standard output as text, or as one JSON object per line;
// server events are shown as they come. A session whose server stops
// answering, refuses the login, or answers it with something else than XML,
// ends.
class SearchSession {
 public:
  struct Settings {
    std::string base = "SAMPLE";  // the database searched
    std::string outDir = ".";     // where documents go; must exist
    bool json = false;            // JSON lines instead of text
    bool progress = false;        // a progress bar on standard error for long fetches
    bool echo = false;            // text: show each line before its result
  };

  // Exit statuses of Finish(), as the other server commands give them.
  static constexpr int kCompleted = kExitDelivered;
  static constexpr int kLoginRefused = kExitLoginRefused;
  static constexpr int kServerGone = kExitNoAnswer;
  static constexpr int kBadAnswer = kExitOtherAnswer;  // a login answer that is not XML

  // `config` holds the known criteria; both must outlive the session.
  SearchSession(const ServerOptions& server, const Settings& settings, VERGER_CONFIG& config);
  // Says goodbye to the server.
  ~SearchSession();
  SearchSession(const SearchSession&) = delete;
  SearchSession& operator=(const SearchSession&) = delete;

  // Handles one line; false when the session has ended (STOP, a refused
  // login, a server that no longer answers): later lines are not read.
  bool Run(std::string line);
  // Prints the summary and the files made; returns the exit status.
  int Finish();

 private:
  using Json = nlohmann::ordered_json;

  // A search of this session. Its number ($n in the user's questions) is the
  // session's own: the server numbers its sets anew after each new login.
  struct ResultSet {
    int number = 0;          // 1 for the first search of the session
    int serverSet = 0;       // the server's number for it in login `generation`
    int generation = 0;      // the login the server set belongs to
    long hits = 0;           // documents found
    std::string expression;  // the translated question, "$n" in the session's numbers
    bool erased = false;     // erased by the user: no longer offered
  };

  // One fetched page of a set: the answer record's fields and the documents.
  struct Answer {
    std::map<std::string, std::string> header;
    std::vector<KtfDocumentReader::Document> documents;
  };

  void Search(Json& result);
  void Print(Json& result, const int32_t* positions, int32_t count);
  void Keep(Json& result, const int32_t* positions, int32_t count);
  void Browse(Json& result, int number);
  void Erase(Json& result);
  void History(Json& result);
  void AskServer(Json& result, VERGER_COMMAND_TYPE type);

  // Runs one server operation; an operation that failed because the session
  // was lost on the way runs once more, after a new login. False when
  // nothing was delivered; the reason is then in `result`.
  bool Call(Json& result, const std::function<bool()>& operation);
  // Runs `expression` and fetches `count` of its documents from `position`
  // (0: only the count and the set number).
  bool Ask(Json& result, const std::string& expression, int position, int count, Answer& answer);
  // `expression` with each "$n" turned into the server's number for that
  // set, running its question again when the server no longer has it.
  // False (the reason in `result`) for an unknown or erased set.
  bool ServerForm(Json& result, const std::string& expression, std::string& question);
  // Reports a question the server refused, with the server's reason.
  void Refused(Json& result, const std::string& question, bool run);
  // Documents of the latest set at `positions`, fetched in batches.
  std::vector<std::pair<int, KtfDocumentReader::Document>> FetchPositions(Json& result,
                                                                          const int32_t* positions,
                                                                          int32_t count);
  // Why the server refused a question (checked, or `run`), from its error
  // page; "" when it does not say.
  std::string RefusalReason(const std::string& question, bool run);
  const ResultSet* LatestSet(Json& result);
  void ShowProgress(size_t done, size_t total);
  // Shows a server event: a text line, or a JSON object of its own.
  void ShowEvent(const std::string& name, const std::string& text);
  // Adds a line of text output for the line being run.
  void Say(const std::string& text);
  // Writes the line's result: JSON, or the echo and the text lines.
  void Emit(const Json& result);

  const ServerOptions& server_;
  Settings settings_;
  VERGER_CONFIG& config_;
  VERGER_MODE mode_;
  KTF_COMMAND command_;

  // Declared before the registry, so that the goodbye's failure is still kept.
  TransportFailures transportFailures_;  // the transport's failure texts, kept
  EnvironmentProxyAuthenticator proxy_;
  ToolListener listener_;
  std::unique_ptr<InternetAccessControllers> registry_;
  InternetAccessController* controller_ = nullptr;
  DocumentExporter exporter_;

  std::vector<ResultSet> sets_;
  std::vector<std::string> text_;       // text output of the line being run
  std::vector<std::string> keptFiles_;  // files that KEEP wrote
  int generation_ = 0;                  // logins after a lost session so far
  int exitStatus_ = kCompleted;
  bool ended_ = false;
  // Counts for the summary.
  size_t lines_ = 0, refusedLines_ = 0, serverRefusals_ = 0, unsupported_ = 0;
  size_t printed_ = 0, kept_ = 0, shown_ = 0;
  std::map<std::string, int> events_;              // server events by name: how often
  std::map<std::string, std::string> eventTexts_;  // and the latest text of each
};
