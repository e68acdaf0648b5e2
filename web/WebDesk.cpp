#include "web/WebDesk.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <utility>

#include "platform/DiagnosticSink.h"
#include "session/Windows1252.h"
#include "web/DocumentView.h"

namespace {

using Json = nlohmann::json;

// How often the server watch checks that the search server takes connections.
constexpr std::chrono::milliseconds kWatchEvery{2000};

// The first value of field `code` of a fetched document (windows-1252, as
// the server sent it), as UTF-8.
std::string Field(const KtfDocumentReader::Document& document, const char* code) {
  for (const auto& [name, value] : document) {
    if (name == code) return Windows1252ToUtf8(value);
  }
  return {};
}

}  // namespace

WebDesk::WebDesk(const std::string& url, SessionListener::CredentialSource credentials,
                 const SearchSession::Settings& settings, VERGER_CONFIG& config,
                 const std::string& registerSheet)
    : outDir_(settings.outDir), register_(url, registerSheet) {
  std::promise<void> started;
  thread_ = std::thread([&, url, credentials, settings] {
    session_ = std::make_unique<SearchSession>(url, credentials, settings, config, sink_);
    started.set_value();
    Serve();
  });
  started.get_future().wait();
  watch_ = std::make_unique<ServerWatch>(url, kWatchEvery, [this](bool answers,
                                                                   const std::string& where,
                                                                   const std::string& why) {
    Json notice = {{"event", answers ? "serverBack" : "serverSilent"}};
    notice["text"] = answers ? "The search server at " + where + " answers again."
                             : "The search server does not answer at " + where + " (" + why +
                                   "): a line that needs it will fail; " +
                                   LanguageCommands::kLocalCommands + " still run.";
    std::lock_guard<std::mutex> lock(eventsMutex_);
    pushed_.push_back(std::move(notice));
    eventsWake_.notify_all();
  });
}

WebDesk::~WebDesk() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

// The session's thread: runs the jobs in order until the desk closes, then
// ends the session there, where it was made.
void WebDesk::Serve() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
      if (jobs_.empty()) break;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
  session_->Finish();
  session_.reset();
}

Json WebDesk::OnSession(const std::function<Json()>& job) {
  std::packaged_task<Json()> task(job);
  std::future<Json> answer = task.get_future();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) return {{"error", "the desk is closing"}};
    jobs_.emplace_back([&task] { task(); });
  }
  wake_.notify_all();
  return answer.get();
}

void WebDesk::AddState(Json& answer) {
  Json sets = Json::array();
  for (const SessionSets::Set& set : session_->sets()) {
    if (set.erased) continue;
    sets.push_back({{"set", set.number}, {"hits", set.hits}, {"expression", set.expression}});
  }
  answer["sets"] = sets;
  answer["notices"] = sink_.TakeNotices();
  answer["ended"] = session_->ended();
}

void WebDesk::NoteEnd(const Json& output) {
  if (endNoted_ || !session_->ended()) return;
  endNoted_ = true;
  // The session sends nothing more: whether the server answers no longer matters.
  watch_->Stop();
  const Json& result = output["result"];
  if (result.value("kind", "") == "stop") {
    sink_.Notice("sessionStopped", "The session was stopped; the sets and documents stay here.");
    return;
  }
  sink_.Notice("serverGone", "The search server is gone (" + result.value("error", "no answer") +
                                 "); the sets and documents already made stay here, and " +
                                 LanguageCommands::kLocalCommands + " still run.");
}

void WebDesk::Remember(const Json& printed) {
  std::vector<std::string> names = {printed["sgml"], printed["style_sheet"]};
  for (const auto& name : printed["tiff"]) names.push_back(name);
  for (const auto& name : printed["png"]) names.push_back(name);
  if (printed.contains("view")) names.push_back(printed["view"]);
  for (const std::string& name : names) {
    if (!name.empty()) Keep(name, (std::filesystem::path(outDir_) / name).string());
  }
}

void WebDesk::Keep(const std::string& name, const std::string& path, bool pending) {
  std::lock_guard<std::mutex> lock(filesMutex_);
  files_[name] = {path, pending, {}};
}

void WebDesk::Settle(const std::string& name, const std::string& problem) {
  {
    std::lock_guard<std::mutex> lock(filesMutex_);
    File& file = files_[name];
    file.pending = false;
    file.problem = problem;
  }
  if (!problem.empty()) {
    ReportDiagnostic(DiagnosticLevel::kDebug, ("(WebDesk) " + name + ": " + problem).c_str());
  }
  filesSettled_.notify_all();
}

Json WebDesk::Line(const std::string& line) {
  return OnSession([&] {
    Json answer;
    // After the end too: the engine runs what needs no server and refuses the rest.
    session_->Run(line);
    answer["output"] = sink_.TakeOutput();
    NoteEnd(answer["output"]);
    const Json& result = answer["output"]["result"];
    for (const auto& printed : result.value("documents", Json::array())) {
      if (printed.is_object() && printed.contains("sgml")) Remember(printed);
    }
    if (result.contains("file")) {
      Keep(result["file"], (std::filesystem::path(outDir_) / "kept.ktf").string());
    }
    AddState(answer);
    return answer;
  });
}

Json WebDesk::State() {
  return OnSession([&] {
    Json answer;
    AddState(answer);
    return answer;
  });
}

Json WebDesk::Events(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(eventsMutex_);
  eventsWake_.wait_for(lock, wait, [this] { return eventsClosed_ || !pushed_.empty(); });
  Json answer = {{"notices", std::move(pushed_)}};
  pushed_ = Json::array();
  return answer;
}

void WebDesk::CloseEvents() {
  std::lock_guard<std::mutex> lock(eventsMutex_);
  eventsClosed_ = true;
  eventsWake_.notify_all();
}

Json WebDesk::Hits(int set, int from, int count) {
  return OnSession([&] {
    Json answer = {{"set", set}, {"from", from}};
    std::vector<int> positions;
    for (int position = from; position < from + count; ++position) positions.push_back(position);
    LineResult result;
    Json hits = Json::array();
    for (const auto& [position, document] : session_->Documents(set, positions, result)) {
      hits.push_back({{"position", position},
                      {"number", Field(document, "PN")},
                      {"kind", Field(document, "KD")},
                      {"title", Field(document, "TI")},
                      {"applicant", Field(document, "PA")},
                      {"date", Field(document, "PD")}});
    }
    answer["hits"] = hits;
    if (result.error) answer["error"] = *result.error;
    sink_.TakeOutput();
    NoteEnd({{"result", answer}});
    AddState(answer);
    return answer;
  });
}

Json WebDesk::Open(int set, int position, const std::string& ticket) {
  return OnSession([&] {
    Json answer;
    LineResult result;
    DocumentExporter::LaterPages later;
    const std::optional<DocumentExporter::Result> made =
        session_->Export(set, position, result, &later);
    if (made) {
      answer["document"] = Opened(position, *made, later);
      const std::string none = later.first == 0         ? "the document has no facsimile page"
                               : made->problems.empty() ? "its first page was not made"
                                                        : made->problems.back();
      Ticket(ticket, made->previews.empty() ? "" : made->previews.front(), none);
    } else {
      answer["error"] = result.error.value_or("no such document");
      Ticket(ticket, "", answer["error"]);
    }
    sink_.TakeOutput();
    NoteEnd({{"result", answer}});
    AddState(answer);
    return answer;
  });
}

Json WebDesk::Opened(int position, const DocumentExporter::Result& made,
                     const DocumentExporter::LaterPages& later) {
  Json printed = WebSessionSink::PrintedJson(position, made);
  Remember(printed);
  for (size_t page = later.first + 1; page <= later.first + later.records.size(); ++page) {
    for (const char* extension : {".tif", ".png"}) {
      const std::string path = DocumentExporter::PagePath(outDir_, later.stem, page, extension);
      const std::string name = std::filesystem::path(path).filename().string();
      Keep(name, path, true);
      printed[extension == std::string(".tif") ? "tiff" : "png"].push_back(name);
    }
  }
  if (made.sgml.empty()) {
    printed["view_problem"] = "the document's SGML file was not made";
  } else {
    const std::string view = DocumentView::ViewPath(made.sgml);
    const std::string name = std::filesystem::path(view).filename().string();
    printed["view"] = name;
    Keep(name, view, true);
  }
  // First after this answer, before any later request of the page.
  std::lock_guard<std::mutex> lock(mutex_);
  jobs_.emplace_front(
      [this, later, sgml = made.sgml, sheet = made.styleSheet] { MakeRest(later, sgml, sheet); });
  return printed;
}

void WebDesk::MakeRest(const DocumentExporter::LaterPages& later, const std::string& sgml,
                       const std::string& styleSheet) {
  if (!later.records.empty()) {
    LineResult result;
    const DocumentExporter::Result pages = session_->ExportPages(later, result);
    sink_.TakeOutput();
    NoteEnd({{"result", {{"error", result.error.value_or("no answer")}}}});
    std::string why;
    for (const std::string& problem : pages.problems) why += (why.empty() ? "" : "; ") + problem;
    if (why.empty()) why = result.error.value_or("the page was not made");
    for (size_t page = later.first + 1; page <= later.first + later.records.size(); ++page) {
      for (const auto* made : {&pages.tiffs, &pages.previews}) {
        const char* extension = made == &pages.tiffs ? ".tif" : ".png";
        const std::string path = DocumentExporter::PagePath(outDir_, later.stem, page, extension);
        const bool done = std::find(made->begin(), made->end(), path) != made->end();
        Settle(std::filesystem::path(path).filename().string(), done ? "" : why);
      }
    }
  }
  if (sgml.empty()) return;
  std::string problem;
  const std::string view = DocumentView::Make(sgml, styleSheet, problem);
  Settle(std::filesystem::path(DocumentView::ViewPath(sgml)).filename().string(),
         view.empty() ? problem : "");
}

Json WebDesk::Register(const std::string& number) {
  return OnSession([&] {
    Json answer;
    std::string xhtml, note;
    if (!register_.Fetch(number, xhtml, note)) {
      answer["note"] = note;
    } else {
      const std::string name = DocumentExporter::FileStem(number) + "-register.xhtml";
      const std::string path = (std::filesystem::path(outDir_) / name).string();
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << xhtml;
      if (out.flush()) {
        Keep(name, path);
        answer["view"] = name;
      } else {
        answer["note"] = "cannot write " + path;
      }
    }
    AddState(answer);
    return answer;
  });
}

void WebDesk::Ticket(const std::string& ticket, const std::string& path,
                     const std::string& problem) {
  if (ticket.empty()) return;
  {
    std::lock_guard<std::mutex> lock(filesMutex_);
    // Tickets the page never claimed (it went away) are few; keep the map small.
    if (tickets_.size() >= 16) tickets_.erase(tickets_.begin());
    tickets_[ticket] = {path, false, path.empty() ? problem : std::string()};
  }
  filesSettled_.notify_all();
}

std::optional<std::string> WebDesk::FirstPage(const std::string& ticket, std::string& problem) {
  std::unique_lock<std::mutex> lock(filesMutex_);
  // The image is asked for beside the Open; the bound only keeps a request
  // whose Open never came from waiting forever.
  if (!filesSettled_.wait_for(lock, std::chrono::seconds(60),
                              [&] { return tickets_.count(ticket) > 0; })) {
    problem = "no document was opened with this ticket";
    return std::nullopt;
  }
  const File page = tickets_[ticket];
  tickets_.erase(ticket);
  if (page.path.empty()) {
    problem = page.problem;
    return std::nullopt;
  }
  return page.path;
}

std::optional<std::string> WebDesk::FilePath(const std::string& name, std::string& problem) {
  std::unique_lock<std::mutex> lock(filesMutex_);
  const auto settled = [&] {
    const auto found = files_.find(name);
    return found == files_.end() || !found->second.pending;
  };
  // A file named in an answer is made right after it; the bound only keeps
  // a request from waiting forever on a desk that is stuck.
  if (!filesSettled_.wait_for(lock, std::chrono::seconds(60), settled)) {
    problem = name + " is still being made";
    return std::nullopt;
  }
  const auto found = files_.find(name);
  if (found == files_.end()) {
    problem = "no such file in this session";
    return std::nullopt;
  }
  if (!found->second.problem.empty()) {
    problem = found->second.problem;
    return std::nullopt;
  }
  return found->second.path;
}
