#include "session/SearchSession.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "session/LineFault.h"
#include "session/SessionText.h"
#include "session/Windows1252.h"

SearchSession::SearchSession(const std::string& url, SessionListener::CredentialSource credentials,
                             const Settings& settings, VERGER_CONFIG& config, SessionSink& sink)
    : config_(config),
      encoding_(settings.codeset),
      sink_(settings.outDir, sink),
      connection_(url, std::move(credentials), [this](const ServerEvent& event) { Note(event); }),
      exporter_(settings.outDir),
      kept_(settings.outDir),
      exchange_(connection_, sets_, sink_, tally_, settings.base),
      dispatcher_(exchange_, sets_, exporter_, kept_, sink_, tally_),
      store_(settings.strategies.empty() ? StrategyStore::DefaultFolder() : settings.strategies),
      language_(dispatcher_, exchange_, sets_, store_, sink_, config_,
                [this](const std::string& line, KTF_COMMAND& command,
                       LineResult& result) -> std::optional<std::string> {
                  const Translated translated = Translate(line, command, result);
                  if (translated.refusal) return translated.refusal;
                  if (translated.code != SYNTAX_OK) return "error " + std::to_string(translated.code);
                  return std::nullopt;
                }) {
  tally_.folder = settings.outDir;
  exchange_.StopWhen(settings.stop);
  exchange_.SendIn(&encoding_);
}

SearchSession::~SearchSession() = default;

void SearchSession::Note(const ServerEvent& event) {
  tally_.Count(event);
  sink_.Event(event);
}

bool SearchSession::Run(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos || line[first] == '#') return !exchange_.ended();
  ++tally_.lines;
  LineResult result;
  const std::string defaults = LanguageCommands::Defaults(config_);
  const Translated translated = Translate(line, command_, result);
  if (translated.refusal) {
    RefuseText(*translated.refusal, result);
  } else if (translated.code != SYNTAX_OK) {
    Refuse(translated.code, translated.ready, result);
  } else if (exchange_.ended() && !LanguageCommands::RunsLocally(command_)) {
    Ended(defaults, result);
  } else if (LanguageCommands::Handles(command_)) {
    language_.Run(command_, result);
  } else {
    dispatcher_.Run(command_, result);
    if (command_.type == CMD_SEARCH && result.set) {
      language_.Asked(*result.set, translated.ready.utf8, defaults);
    }
  }
  sink_.Result(result);
  return !exchange_.ended();
}

namespace {

// The word of an INDEX command, which the translator leaves in its code
// page, in UTF-8 as the engine's other text; the server gets it in its own.
void IndexTermInUtf8(const LineEncoding& encoding, KTF_COMMAND& command) {
  if (command.index_term == nullptr) return;
  const std::string term = encoding.FromTranslator(command.index_term);
  delete[] command.index_term;
  command.index_term = new char[term.size() + 1];
  std::memcpy(command.index_term, term.c_str(), term.size() + 1);
}

}  // namespace

SearchSession::Translated SearchSession::Translate(const std::string& line, KTF_COMMAND& command,
                                                   LineResult& result) {
  Translated translated{encoding_.ForTranslator(line), SYNTAX_OK, std::nullopt};
  const LineEncoding::Line& ready = translated.ready;
  result.line = ready.utf8;
  if (ready.refusal) {
    translated.refusal = ready.refusal;
    return translated;
  }
  if (!ready.folded.empty()) sink_.Text(ready.folded);
  const std::string before = LanguageCommands::Defaults(config_);
  std::vector<char> buffer(ready.translator.begin(), ready.translator.end());
  buffer.push_back('\0');
  translated.code = mode_.command(buffer.data(), &config_, command);
  if (translated.code == SYNTAX_OK && command.type == CMD_INDEX && !ready.passed) {
    IndexTermInUtf8(encoding_, command);
  }
  if (translated.code != SYNTAX_OK || command.type != CMD_SEARCH) return translated;
  if (command.expression != nullptr) {
    // The question goes on in UTF-8, as all the engine's text; it is put in
    // the server's code page when sent, so it must fit there.
    question_ = ready.passed ? command.expression : encoding_.FromTranslator(command.expression);
    std::string refusal;
    if (!encoding_.ForServer(question_, refusal)) {
      translated.refusal = refusal;
      return translated;
    }
    command.expression = question_.data();
  }
  // A search after the end is not run: nothing to note about it.
  if (exchange_.ended()) return translated;
  for (const std::string& notice :
       notices_.Check(ready.utf8, before, LanguageCommands::Defaults(config_))) {
    sink_.Text(notice);
    result.notices.push_back(notice);
  }
  return translated;
}

void SearchSession::Ended(const std::string& defaults, LineResult& result) {
  // The line's leading field, if any, changed the fields of bare words for a
  // question that is not run: they stay as they were.
  std::vector<char> text(defaults.begin(), defaults.end());
  text.push_back('\0');
  config_.change_default_criteria(text.data());
  result.kind = LineResult::Kind::kEnded;
  result.error = std::string(exchange_.exitStatus() == kServerGone ? "the search server is gone"
                                                                   : "the session has ended") +
                 ": nothing was sent; " + LanguageCommands::kLocalCommands + " still run";
  sink_.Text(*result.error);
}

void SearchSession::RefuseText(const std::string& reason, LineResult& result) {
  ++tally_.refusedLines;
  result.kind = LineResult::Kind::kRefused;
  result.error = reason;
  sink_.Text("not a valid line: " + reason);
}

void SearchSession::Refuse(VERGER_ERROR code, const LineEncoding::Line& line, LineResult& result) {
  ++tally_.refusedLines;
  result.kind = LineResult::Kind::kRefused;
  const LineFault fault = LineFault::Locate(line.translator, config_);
  const std::string word = line.passed ? fault.word : encoding_.FromTranslator(fault.word);
  const std::string message =
      "error " + std::to_string(code) + ": " + mode_.geterrormsg(code) + " at " +
      (word.empty() ? std::string("the end of the line") : "'" + Printable(word) + "'");
  result.error = message + " (column " + std::to_string(fault.column + 1) + ")";
  sink_.Text("not a valid line: " + message);
  // The caret goes under the word when the line is shown whole: one place
  // per character (the translator's code page has one byte for each; in a
  // line passed as its bytes, a UTF-8 sequence counts once).
  const std::string shown = Printable(line.utf8);
  if (shown != line.utf8.substr(0, shown.size()) || shown.size() < line.utf8.size()) return;
  const auto places = line.passed
                          ? std::count_if(line.translator.begin(),
                                          line.translator.begin() + static_cast<long>(fault.column),
                                          [](char c) { return (c & 0xC0) != 0x80; })
                          : static_cast<long>(fault.column);
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
                                                              LineResult& result,
                                                              DocumentExporter::LaterPages* later) {
  const auto documents = Documents(number, {position}, result);
  if (documents.empty()) return std::nullopt;
  const auto fetch = [&](const std::string& name, std::string& bytes) {
    return exchange_.TextFile(result, name, bytes);
  };
  DocumentExporter::Result made =
      later == nullptr ? exporter_.Export(documents.front().second, fetch)
                       : exporter_.Export(documents.front().second, fetch, 1, *later);
  // The files keep the server's code page; what is shown is UTF-8.
  made.number = Windows1252ToUtf8(made.number);
  made.title = Windows1252ToUtf8(made.title);
  return made;
}

DocumentExporter::Result SearchSession::ExportPages(const DocumentExporter::LaterPages& later,
                                                    LineResult& result) {
  if (exchange_.ended()) return {};
  return exporter_.MakePages(later, [&](const std::string& name, std::string& bytes) {
    return exchange_.TextFile(result, name, bytes);
  });
}

std::vector<std::string> SearchSession::Banner() const {
  return {
      "Type ..HELP for the commands; ..STOP to leave (..STOP END: without saving the strategy).",
      "Strategies are kept in " +
          (store_.folder().empty() ? std::string("no folder (set HOME or --strategies)")
                                   : store_.folder()) +
          "."};
}
