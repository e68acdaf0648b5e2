#include "session/SearchSession.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "session/LineFault.h"
#include "session/SessionText.h"

SearchSession::SearchSession(const std::string& url, SessionListener::CredentialSource credentials,
                             const Settings& settings, VERGER_CONFIG& config, SessionSink& sink)
    : config_(config),
      sink_(sink),
      connection_(url, std::move(credentials), [this](const ServerEvent& event) { Note(event); }),
      exporter_(settings.outDir),
      kept_(settings.outDir),
      exchange_(connection_, sets_, sink_, tally_, settings.base),
      dispatcher_(exchange_, sets_, exporter_, kept_, sink_, tally_) {
  tally_.folder = settings.outDir;
  exchange_.StopWhen(settings.stop);
}

SearchSession::~SearchSession() = default;

void SearchSession::Note(const ServerEvent& event) {
  tally_.Count(event);
  sink_.Event(event);
}

bool SearchSession::Run(std::string line) {
  if (exchange_.ended()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return true;
  ++tally_.lines;
  LineResult result;
  result.line = line;
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  const VERGER_ERROR code = mode_.command(buffer.data(), &config_, command_);
  if (code == SYNTAX_OK) {
    dispatcher_.Run(command_, result);
  } else {
    Refuse(code, line, result);
  }
  sink_.Result(result);
  return !exchange_.ended();
}

void SearchSession::Refuse(VERGER_ERROR code, const std::string& line, LineResult& result) {
  ++tally_.refusedLines;
  result.kind = LineResult::Kind::kRefused;
  const LineFault fault = LineFault::Locate(line, config_);
  const std::string message =
      "error " + std::to_string(code) + ": " + mode_.geterrormsg(code) + " at " +
      (fault.word.empty() ? std::string("the end of the line") : "'" + Printable(fault.word) + "'");
  result.error = message + " (column " + std::to_string(fault.column + 1) + ")";
  sink_.Text("not a valid line: " + message);
  // The caret goes under the word when the line is shown whole: one place
  // per character, a UTF-8 sequence counting once.
  const std::string shown = Printable(line);
  if (shown != line.substr(0, shown.size()) || shown.size() < line.size()) return;
  const auto places = std::count_if(line.begin(), line.begin() + static_cast<long>(fault.column),
                                    [](char c) { return (c & 0xC0) != 0x80; });
  sink_.Text(shown);
  sink_.Text(std::string(static_cast<size_t>(places), ' ') + "^");
}

int SearchSession::Finish() {
  SessionSummary summary = tally_;
  for (const SessionSets::Set& set : sets_.sets()) summary.sets.emplace_back(set.number, set.hits);
  summary.files = exporter_.files();
  if (kept_.written()) summary.files.push_back(kept_.path());
  summary.keptFile = kept_.written();
  summary.keptContinued = kept_.continued();
  summary.exitStatus = exchange_.exitStatus();
  sink_.Summary(summary);
  return summary.exitStatus;
}

std::vector<std::pair<int, KtfDocumentReader::Document>> SearchSession::Documents(
    int number, const std::vector<int>& positions, LineResult& result) {
  if (exchange_.ended() || number < 1 || static_cast<size_t>(number) > sets_.sets().size()) {
    return {};
  }
  const long hits = sets_.sets()[static_cast<size_t>(number) - 1].hits;
  std::vector<int> wanted;
  for (const int position : positions) {
    if (position >= 1 && position <= hits) wanted.push_back(position);
  }
  return exchange_.Fetch(result, number, wanted);
}

std::optional<DocumentExporter::Result> SearchSession::Export(int number, int position,
                                                              LineResult& result) {
  const auto documents = Documents(number, {position}, result);
  if (documents.empty()) return std::nullopt;
  return exporter_.Export(documents.front().second,
                          [&](const std::string& name, std::string& bytes) {
                            return exchange_.TextFile(result, name, bytes);
                          });
}
