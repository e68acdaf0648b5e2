#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "session/CommandDispatcher.h"
#include "session/LineResult.h"
#include "session/SessionExchange.h"
#include "session/SessionSets.h"
#include "session/SessionSink.h"
#include "session/Strategy.h"
#include "session/StrategyStore.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VergerTypes.h"

// The commands of the language that are the session's own work, not the
// server's: SAVE and EXECUTE of strategies (StrategyStore), FILE (a base to
// search, its information, a strategy saved or erased under a name), INDEX
// (the words of a field, from the server's term index file), HELP without a
// topic (SessionHelp) and STOP (which saves the strategy under kDefaultName
// unless told END). It remembers each question that made a set, as typed,
// for the strategy. The parts it is given must outlive it.
class LanguageCommands {
 public:
  // The name STOP saves under, and EXECUTE without a name runs.
  static constexpr const char* kDefaultName = "last-session";

  // Translates `line` into `command` the way the session translates a typed
  // line (its notices go into `result`); the reason when the line is refused.
  using Translate = std::function<std::optional<std::string>(
      const std::string& line, KTF_COMMAND& command, LineResult& result)>;

  // `config` holds the default criteria that EXECUTE puts back for each
  // question and, after the run, to what they were.
  LanguageCommands(CommandDispatcher& dispatcher, SessionExchange& exchange, SessionSets& sets,
                   const StrategyStore& store, SessionSink& sink, VERGER_CONFIG& config,
                   Translate translate);

  // True for the commands above; the others are CommandDispatcher's.
  static bool Handles(const KTF_COMMAND& command);
  // True for a command that needs no server: HELP without a topic, HISTORY,
  // ERASE, SAVE, FILE NAME SV and ER, STOP. These still run after the session
  // has ended; kLocalCommands names them for the user.
  static bool RunsLocally(const KTF_COMMAND& command);
  static constexpr const char* kLocalCommands =
      "..HELP, ..HI, ..ER, ..SV NAME, ..FILE NAME SV or ER and ..STOP";
  // Runs `command` (one that Handles) into `result`.
  void Run(const KTF_COMMAND& command, LineResult& result);
  // Search `line` (as typed, under default criteria `defaults`) made set `set`.
  void Asked(int set, const std::string& line, const std::string& defaults) {
    asked_.push_back({set, line, defaults});
  }
  // The default criteria of `config` as they stand (read from a copy: reading
  // drops a trailing blank of the text the translator keeps).
  static std::string Defaults(const VERGER_CONFIG& config);
  // The session's strategy: the questions of the sets not erased and of the
  // sets those name, in order.
  Strategy Current() const;

 private:
  void Save(const std::string& name, LineResult& result);
  void Execute(int from, const std::string& name, LineResult& result);
  // Runs question `number` of a strategy; `renumbered` maps its saved sets to new ones.
  LineResult::Executed RunQuestion(int number, const Strategy::Question& question,
                                   std::map<int, int>& renumbered);
  void File(const KTF_COMMAND& command, LineResult& result);
  void Begin(const std::string& name, LineResult& result);
  void Statistics(const std::string& name, LineResult& result);
  void Erase(const std::string& name, LineResult& result);
  void Index(const char* field, const char* term, LineResult& result);
  void Help(LineResult& result);
  void Stop(bool save, LineResult& result);
  void Fail(LineResult& result, const std::string& error);
  void Say(const std::string& text) { sink_.Text(text); }

  CommandDispatcher& dispatcher_;
  SessionExchange& exchange_;
  SessionSets& sets_;
  const StrategyStore& store_;
  SessionSink& sink_;
  VERGER_CONFIG& config_;
  Translate translate_;
  std::vector<Strategy::Question> asked_;
};
