#include "session/LanguageCommands.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

#include "session/BaseInformation.h"
#include "session/SessionHelp.h"
#include "session/SessionText.h"
#include "session/Windows1252.h"

namespace {

// The file name under which a server offers the term index of a field.
constexpr const char* kIndexFile = ".index/";

std::string Questions(size_t count) {
  return std::to_string(count) + " question" + (count == 1 ? "" : "s");
}

// The lines "WORD<TAB>DOCUMENTS" of a term index file; lines of another form
// are left out.
std::vector<std::pair<std::string, long>> Terms(const std::string& text) {
  std::vector<std::pair<std::string, long>> terms;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t tab = line.rfind('\t');
    char* after = nullptr;
    const long count =
        tab == std::string::npos ? -1 : std::strtol(line.c_str() + tab + 1, &after, 10);
    if (count >= 0 && after != nullptr && *after == '\0' && tab > 0) {
      terms.emplace_back(line.substr(0, tab), count);
    }
  }
  return terms;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

LanguageCommands::LanguageCommands(CommandDispatcher& dispatcher, SessionExchange& exchange,
                                   SessionSets& sets, const StrategyStore& store, SessionSink& sink,
                                   VERGER_CONFIG& config, Translate translate)
    : dispatcher_(dispatcher),
      exchange_(exchange),
      sets_(sets),
      store_(store),
      sink_(sink),
      config_(config),
      translate_(std::move(translate)) {}

std::string LanguageCommands::Defaults(const VERGER_CONFIG& config) {
  return VERGER_CONFIG(config).list_default();
}

bool LanguageCommands::Handles(const KTF_COMMAND& command) {
  switch (command.type) {
    case CMD_SAVE:
    case CMD_EXECUTE:
    case CMD_FILE:
    case CMD_INDEX:
    case CMD_STOP:
      return true;
    case CMD_HELP:
      return command.help_topic == nullptr;
    default:
      return false;
  }
}

bool LanguageCommands::RunsLocally(const KTF_COMMAND& command) {
  switch (command.type) {
    case CMD_HISTORY:
    case CMD_ERASE:
    case CMD_SAVE:
    case CMD_STOP:
      return true;
    case CMD_HELP:
      return command.help_topic == nullptr;
    case CMD_FILE:
      return command.file_mode == 0 || command.file_mode == 1;  // SV, ER
    default:
      return false;
  }
}

void LanguageCommands::Run(const KTF_COMMAND& command, LineResult& result) {
  switch (command.type) {
    case CMD_SAVE:
      result.kind = LineResult::Kind::kSave;
      Save(command.save_name, result);
      break;
    case CMD_EXECUTE:
      Execute(command.exec_from, command.exec_name[0] ? command.exec_name : kDefaultName, result);
      break;
    case CMD_FILE:
      File(command, result);
      break;
    case CMD_INDEX:
      Index(command.index_field, command.index_term, result);
      break;
    case CMD_STOP:
      Stop(command.stop_save != 0, result);
      break;
    default:
      Help(result);
      break;
  }
}

Strategy LanguageCommands::Current() const {
  std::set<int> wanted;
  for (const SessionSets::Set& set : sets_.sets()) {
    if (!set.erased) wanted.insert(set.number);
  }
  // A question names only earlier sets: walking back, every set a wanted
  // question names is wanted too.
  for (auto question = asked_.rbegin(); question != asked_.rend(); ++question) {
    if (!wanted.count(question->set)) continue;
    for (const int named : Strategy::References(question->line)) wanted.insert(named);
  }
  Strategy strategy;
  for (const Strategy::Question& question : asked_) {
    if (wanted.count(question.set)) strategy.questions.push_back(question);
  }
  return strategy;
}

void LanguageCommands::Save(const std::string& name, LineResult& result) {
  result.strategy = name;
  const Strategy strategy = Current();
  if (strategy.questions.empty()) {
    Fail(result, "no search question to save");
    return;
  }
  std::string error;
  if (!store_.Save(name, strategy, error)) {
    Fail(result, "strategy not saved: " + error);
    return;
  }
  result.strategyFile = store_.PathOf(name);
  Say("strategy " + name + " saved: " + Questions(strategy.questions.size()) + " in " +
      store_.PathOf(name));
}

void LanguageCommands::Execute(int from, const std::string& name, LineResult& result) {
  result.kind = LineResult::Kind::kExecute;
  result.strategy = name;
  Strategy strategy;
  std::string error;
  if (!store_.Load(name, strategy, error)) {
    Fail(result, error);
    return;
  }
  result.strategyFile = store_.PathOf(name);
  const size_t count = strategy.questions.size();
  if (from < 1 || static_cast<size_t>(from) > count) {
    Fail(result, "strategy " + name + " has " + Questions(count) + ": nothing from question " +
                     std::to_string(from));
    return;
  }
  Say("strategy " + name + ", from question " + std::to_string(from) + " of " +
      std::to_string(count) + ":");
  std::map<int, int> renumbered;
  std::vector<LineResult::Executed> executed;
  const std::string defaults = Defaults(config_);
  for (size_t i = static_cast<size_t>(from) - 1; i < count; ++i) {
    executed.push_back(RunQuestion(static_cast<int>(i) + 1, strategy.questions[i], renumbered));
    if (exchange_.ended() || exchange_.interrupted()) break;
  }
  // The run leaves the fields of bare words as it found them.
  std::vector<char> text(defaults.begin(), defaults.end());
  text.push_back('\0');
  config_.change_default_criteria(text.data());
  const auto failed = std::count_if(executed.begin(), executed.end(),
                                    [](const LineResult::Executed& run) { return !run.set; });
  if (failed > 0) {
    result.error = std::to_string(failed) + " of " + Questions(executed.size()) + " made no set";
  }
  result.executed = std::move(executed);
}

LineResult::Executed LanguageCommands::RunQuestion(int number, const Strategy::Question& question,
                                                   std::map<int, int>& renumbered) {
  LineResult::Executed run;
  run.number = number;
  run.savedSet = question.set;
  std::vector<int> unmapped;
  run.line = Strategy::Renumber(question.line, renumbered, unmapped);
  Say(std::to_string(number) + ". ($" + std::to_string(question.set) + ") " + Printable(run.line));
  LineResult made;
  made.line = run.line;
  KTF_COMMAND command;
  // The question means what it meant when it was typed: its bare words
  // search the fields they searched then.
  if (question.defaults) {
    std::vector<char> text(question.defaults->begin(), question.defaults->end());
    text.push_back('\0');
    config_.change_default_criteria(text.data());
  }
  const std::string defaults = Defaults(config_);
  if (!unmapped.empty()) {
    run.error =
        "it names $" + std::to_string(unmapped.front()) + ", which no question run before it made";
  } else if (const std::optional<std::string> refusal = translate_(run.line, command, made)) {
    run.error = "not a valid line (" + *refusal + ")";
  } else if (command.type != CMD_SEARCH) {
    run.error = "not a search question";
  } else {
    dispatcher_.Run(command, made);
    if (made.set) {
      run.set = made.set;
      run.hits = made.hits.value_or(0);
      renumbered[question.set] = *made.set;
      Asked(*made.set, run.line, defaults);
    } else {
      run.error = made.error.value_or("no set made");
    }
  }
  if (run.error && made.error != run.error) Say("   skipped: " + *run.error);
  return run;
}

void LanguageCommands::File(const KTF_COMMAND& command, LineResult& result) {
  const std::string name = command.file_name;
  switch (command.file_mode) {
    case 0:
      result.kind = LineResult::Kind::kSave;
      Save(name, result);
      break;
    case 1:
      result.kind = LineResult::Kind::kFile;
      Erase(name, result);
      break;
    case 2:
      result.kind = LineResult::Kind::kFile;
      Begin(name, result);
      break;
    default:
      result.kind = LineResult::Kind::kFile;
      Statistics(name, result);
      break;
  }
}

void LanguageCommands::Begin(const std::string& name, LineResult& result) {
  std::string xml;
  if (!exchange_.DatabaseList(result, xml)) {
    if (!exchange_.ended()) Fail(result, "the server did not give its list of bases");
    return;
  }
  const BaseInformation list = BaseInformation::Parse(xml);
  const auto base = std::find_if(list.databases.begin(), list.databases.end(), [&](const auto& b) {
    return strcasecmp(b.name.c_str(), name.c_str()) == 0;
  });
  if (base == list.databases.end()) {
    std::string known;
    for (const BaseInformation::Base& b : list.databases)
      known += (known.empty() ? "" : ", ") + b.name;
    Fail(result, "no base named " + name + " on this server (it has " +
                     (known.empty() ? "none" : known) + "); still searching " + exchange_.base());
    return;
  }
  // The sets so far hold documents of the other base: a question naming
  // one would mix bases, so they leave the history.
  const std::vector<int> erased = sets_.Erase(true, {});
  exchange_.SetBase(base->name);
  result.base = base->name;
  Say("now searching base " + base->name + " (" + base->documents + " documents)");
  if (!erased.empty()) Say("sets " + ListText(erased) + " of the earlier base erased");
}

void LanguageCommands::Statistics(const std::string& name, LineResult& result) {
  result.base = name;
  std::string xml;
  if (!exchange_.BaseInfoOf(result, name, xml)) {
    if (!exchange_.ended()) Fail(result, "the server gave no information about base " + name);
    return;
  }
  const BaseInformation information = BaseInformation::Parse(xml);
  for (const BaseInformation::Base& base : information.bases) {
    result.baseDocuments = base.documents;
    Say(base.name + ": " + base.documents + " documents");
  }
  for (const std::string& title : information.titles) Say(title);
  result.fields = information.fields;
  result.files = information.files;
  Say("files: " + ListText(information.files));
  Say("fields: " + ListText(information.fields));
}

void LanguageCommands::Erase(const std::string& name, LineResult& result) {
  result.strategy = name;
  std::string error;
  if (!store_.Erase(name, error)) {
    Fail(result, error);
    return;
  }
  Say("strategy " + name + " erased");
}

void LanguageCommands::Index(const char* field, const char* term, LineResult& result) {
  result.kind = LineResult::Kind::kIndex;
  if (field == nullptr || field[0] == '\0') {
    Fail(result, "..INDEX needs a field: ..IND /TI solar");
    return;
  }
  const std::string code = field;
  const std::string typed = term ? term : "";
  const std::string file = kIndexFile + code + "/" + typed;
  std::string text;
  if (!exchange_.TextFile(result, file, text, true)) {
    if (exchange_.ended()) return;
    const std::string reason = exchange_.FileRefusalReason(file, true);
    Fail(result, "this server offers no index of field " + code +
                     (reason.empty() ? "" : " (" + reason + ")"));
    return;
  }
  // The server writes its index in its code page, windows-1252.
  const auto terms = Terms(Windows1252ToUtf8(text));
  result.terms = terms;
  Say("Ref    Items  Index-term (" + code + ", base " + exchange_.base() + ")");
  const std::string wanted = Lower(typed);
  bool shown = wanted.empty();
  int ref = 0;
  char line[64];
  for (const auto& [word, count] : terms) {
    // The word typed stands where it would be, with no documents when the
    // field does not hold it.
    if (!shown && Lower(word) >= wanted) {
      shown = true;
      if (Lower(word) != wanted) {
        std::snprintf(line, sizeof line, "E%-4d %7d  ", ++ref, 0);
        Say(line + Printable(typed) + "  <-");
      }
    }
    std::snprintf(line, sizeof line, "E%-4d %7ld  ", ++ref, count);
    Say(line + Printable(word) + (Lower(word) == wanted ? "  <-" : ""));
  }
  if (!shown) {
    std::snprintf(line, sizeof line, "E%-4d %7d  ", ++ref, 0);
    Say(line + Printable(typed) + "  <-");
  }
}

void LanguageCommands::Help(LineResult& result) {
  result.kind = LineResult::Kind::kHelp;
  std::string xml;
  std::vector<std::string> fields;
  // After the end the help is the session's own, without the base's fields.
  if (!exchange_.ended() && exchange_.BaseInfo(result, xml)) {
    fields = BaseInformation::Parse(xml).fields;
  }
  std::string text;
  for (const std::string& line : SessionHelp::Lines(exchange_.base(), fields, store_.folder())) {
    Say(line);
    text += line + "\n";
  }
  result.text = text;
}

void LanguageCommands::Stop(bool save, LineResult& result) {
  result.kind = LineResult::Kind::kStop;
  const Strategy strategy = Current();
  std::string error;
  if (save && !strategy.questions.empty()) {
    if (store_.Save(kDefaultName, strategy, error)) {
      result.strategy = kDefaultName;
      result.strategyFile = store_.PathOf(kDefaultName);
      Say("strategy saved as " + std::string(kDefaultName) + ": " +
          Questions(strategy.questions.size()) + " in " + store_.PathOf(kDefaultName));
    } else {
      result.error = "strategy not saved: " + error;
      Say(*result.error);
    }
  } else if (save) {
    Say("no search question to save");
  }
  Say("end of the session");
  exchange_.Stop();
}

void LanguageCommands::Fail(LineResult& result, const std::string& error) {
  result.error = error;
  Say(error);
}
