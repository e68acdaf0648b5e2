#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>

#include "session/SearchSession.h"
#include "web/RegisterData.h"
#include "web/ServerWatch.h"
#include "web/WebSessionSink.h"

// One search session for a page in a browser, on the session engine. The
// session lives on a thread of its own and the page's requests run on it one
// at a time, in the order they come, so lines are never run side by side.
// Each answer is JSON for the page: what the line said, the sets, the
// notices of the server's events, and whether the session has ended. After
// the session ended (STOP, a server gone) the desk still answers with the
// sets and the documents already made, and the lines that need no server
// still run. While the session lives, a ServerWatch checks that the server
// still takes connections; what it finds waits as a notice for Events.
// Failures are values in the answers; nothing here throws to the caller.
class WebDesk {
 public:
  // No traffic yet. `credentials` give the login when the server asks;
  // `config` must outlive the desk; documents go to `settings.outDir`;
  // `registerSheet` is the XSLT file that renders register data.
  WebDesk(const std::string& url, SessionListener::CredentialSource credentials,
          const SearchSession::Settings& settings, VERGER_CONFIG& config,
          const std::string& registerSheet);
  // Ends the session (its goodbye to the server) and its thread.
  ~WebDesk();
  WebDesk(const WebDesk&) = delete;
  WebDesk& operator=(const WebDesk&) = delete;

  // Runs one VERGER line: {"output": {"text", "result"}, "sets", "notices", "ended"}.
  nlohmann::json Line(const std::string& line);
  // The sets, notices and whether the session has ended.
  nlohmann::json State();
  // The notices of the server watch, {"notices": [...]}: waits up to `wait`
  // for one (not on the session's thread, so never behind a line); at once
  // after CloseEvents. Each notice goes to one caller.
  nlohmann::json Events(std::chrono::milliseconds wait);
  // Wakes every caller of Events, and makes later ones return at once: the
  // HTTP server calls it when it stops, not to wait for them.
  void CloseEvents();
  // Documents `from`..`from`+`count`-1 of set `set`: number, kind, title,
  // applicant, date each; "error" when they could not be fetched.
  nlohmann::json Hits(int set, int from, int count);
  // Document `position` of set `set` made into files as PRINT makes them,
  // with a view of it for the browser ("view": NAME.xml, or "view_problem").
  // The answer goes as soon as the SGML and the first page are made; the
  // other pages and the view follow on the session's thread, and FilePath
  // waits for them. A `ticket` from the page names its first page for
  // FirstPage, so the page can ask for the image while the answer is made.
  nlohmann::json Open(int set, int position, const std::string& ticket = {});
  // The path of the first page made by the Open given `ticket`, once it is
  // made (waits for that Open); empty with the reason in `problem` when it
  // has no first page. Each ticket is answered once. Any thread.
  std::optional<std::string> FirstPage(const std::string& ticket, std::string& problem);
  // The register data of publication `number` through the Java bridge, made
  // into NAME-register.xhtml ("view"), or a plain "note" why there is none.
  nlohmann::json Register(const std::string& number);
  // The path of a file the desk made, by its name, once it is made (waits
  // while it is being made); empty for any other name or a file that could
  // not be made, with the reason in `problem`. Any thread.
  std::optional<std::string> FilePath(const std::string& name, std::string& problem);

 private:
  // Runs `job` on the session's thread and waits for its answer.
  nlohmann::json OnSession(const std::function<nlohmann::json()>& job);
  void Serve();
  // The parts every answer carries: sets, notices, ended.
  void AddState(nlohmann::json& answer);
  // Says once that the session has ended, and why.
  void NoteEnd(const nlohmann::json& output);
  // Remembers the files of a printed document (as the page names them).
  void Remember(const nlohmann::json& printed);
  // Names the file `name` at `path`: made, or still to be made.
  void Keep(const std::string& name, const std::string& path, bool pending = false);
  // A pending file made, or not made for `problem`.
  void Settle(const std::string& name, const std::string& problem);
  // An opened document's answer: its files, those still to be made named
  // too and queued to be made first after the answer.
  nlohmann::json Opened(int position, const DocumentExporter::Result& made,
                        const DocumentExporter::LaterPages& later);
  // Hands the first page of an Open (or why there is none) to FirstPage.
  void Ticket(const std::string& ticket, const std::string& path, const std::string& problem);
  // Makes what Opened left: the other pages, then the view of `sgml`.
  void MakeRest(const DocumentExporter::LaterPages& later, const std::string& sgml,
                const std::string& styleSheet);

  // A file the page may ask for, by name.
  struct File {
    std::string path;
    bool pending = false;  // named in an answer, still being made
    std::string problem;   // why it was not made
  };

  std::string outDir_;
  WebSessionSink sink_;
  std::unique_ptr<SearchSession> session_;  // made and ended on thread_
  RegisterData register_;                   // used on thread_ only
  bool endNoted_ = false;

  std::mutex filesMutex_;
  std::condition_variable filesSettled_;
  std::map<std::string, File> files_;
  std::map<std::string, File> tickets_;  // an Open's ticket -> its first page

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool closing_ = false;
  std::thread thread_;

  // The watch's notices, waiting for Events.
  std::mutex eventsMutex_;
  std::condition_variable eventsWake_;
  nlohmann::json pushed_ = nlohmann::json::array();
  bool eventsClosed_ = false;
  // Made after the session's thread starts, stopped when the session ends;
  // destroyed first (declared last), so it reports into live members only.
  std::unique_ptr<ServerWatch> watch_;
};
