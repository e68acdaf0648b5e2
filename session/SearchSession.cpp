#include "session/SearchSession.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "session/LineFault.h"
#include "session/SessionText.h"

SearchSession::SearchSession(const std::string& url, SessionListener::CredentialSource credentials,
                             const Settings& settings, VERGER_CONFIG& config, SessionSink& sink)
    : config_(config),
      sink_(settings.outDir, sink),
      connection_(url, std::move(credentials), [this](const ServerEvent& event) { Note(event); }),
      exporter_(settings.outDir),
      kept_(settings.outDir),
      exchange_(connection_, sets_, sink_, tally_, settings.base),
      dispatcher_(exchange_, sets_, exporter_, kept_, sink_, tally_),
      store_(settings.strategies.empty() ? StrategyStore::DefaultFolder() : settings.strategies),
      language_(dispatcher_, exchange_, sets_, store_, sink_, config_,
                [this](const std::string& line, KTF_COMMAND& command, LineResult& result) {
                  return Translate(line, command, result);
                }) {
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
  const std::string defaults = LanguageCommands::Defaults(config_);
  const VERGER_ERROR code = Translate(line, command_, result);
  if (code == SYNTAX_OK && LanguageCommands::Handles(command_)) {
    language_.Run(command_, result);
  } else if (code == SYNTAX_OK) {
    dispatcher_.Run(command_, result);
    if (command_.type == CMD_SEARCH && result.set) language_.Asked(*result.set, line, defaults);
  } else {
    Refuse(code, line, result);
  }
  sink_.Result(result);
  return !exchange_.ended();
}

VERGER_ERROR SearchSession::Translate(const std::string& line, KTF_COMMAND& command,
                                      LineResult& result) {
  const std::string before = LanguageCommands::Defaults(config_);
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  const VERGER_ERROR code = mode_.command(buffer.data(), &config_, command);
  if (code != SYNTAX_OK || command.type != CMD_SEARCH) return code;
  for (const std::string& notice :
       notices_.Check(line, before, LanguageCommands::Defaults(config_))) {
    sink_.Text(notice);
    result.notices.push_back(notice);
  }
  return code;
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
  if (sink_.written()) summary.transcript = sink_.path();
  sink_.Summary(summary);
  return summary.exitStatus;
}

std::vector<std::string> SearchSession::Banner() const {
  return {
      "Type ..HELP for the commands; ..STOP to leave (..STOP END: without saving the strategy).",
      "Strategies are kept in " +
          (store_.folder().empty() ? std::string("no folder (set HOME or --strategies)")
                                   : store_.folder()) +
          "."};
}
