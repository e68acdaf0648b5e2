#include "session/SessionHelp.h"

#include <cstdio>

const std::vector<SessionHelp::Command>& SessionHelp::Commands() {
  static const std::vector<Command> commands = {
      {CMD_SEARCH, "..SEARCH (..SE)", "QUESTION",
       "run a question (a line without \"..\" is one too)"},
      {CMD_PRINT, "..PRINT (..PR)", "LIST", "documents of the latest set as files"},
      {CMD_KEEP, "..KEEP (..KE)", "LIST", "add documents of the latest set to kept.ktf"},
      {CMD_BROWSE, "..BROWSE (..BR)", "[N]", "show document N of the latest set"},
      {CMD_HISTORY, "..HISTORY (..HI)", "", "the sets with their hits and questions"},
      {CMD_ERASE, "..ERASE (..ER)", "ALL | SSZERO | LIST", "drop sets from the history"},
      {CMD_SAVE, "..SAVE (..SV)", "[SE] NAME", "save the questions as strategy NAME"},
      {CMD_EXECUTE, "..EXECUTE (..EX)", "[N] [FROM] NAME",
       "run strategy NAME again from question N"},
      {CMD_FILE, "..FILE (..FI)", "NAME BEGIN | STAT | SV | ER",
       "search base / its information / save, erase"},
      {CMD_INDEX, "..INDEX (..IND)", "/FIELD [TERM]", "a field's words around TERM, with counts"},
      {CMD_INFORMATION, "..INFORMATION (..INFO)", "", "the base's size, title, files, fields"},
      {CMD_FIELDS, "..FIELDS", "", "the base's fields"},
      {CMD_HELP, "..HELP (..HE)", "[TOPIC]", "this help; TOPIC: the server's help"},
      {CMD_STOP, "..STOP (..ST)", "[END | SV]", "end, saving the strategy (END: without)"},
  };
  return commands;
}

std::vector<std::string> SessionHelp::Lines(const std::string& base,
                                            const std::vector<std::string>& fields,
                                            const std::string& strategyFolder) {
  std::vector<std::string> lines = {"Commands (a line starting with \"..\"):"};
  for (const Command& command : Commands()) {
    char line[256];
    std::snprintf(line, sizeof line, "  %-22s %-26s %s", command.words, command.arguments,
                  command.what);
    lines.emplace_back(line);
  }
  std::string known = "Fields of base " + base + ":";
  for (const std::string& field : fields) known += " " + field;
  if (fields.empty()) known += " (the server did not say)";
  lines.insert(
      lines.end(),
      {"Questions:",
       "  operators      AND, OR, NOT (ANDNOT), ORNOT; brackets group: solar AND (cell OR panel)",
       "  fields         a word's field after a slash: garden/TI; a leading one: /PD >=2000 AND a",
       "                 (a leading field becomes the field of bare words, and the session says "
       "so)",
       "  proximity      nW: at most n words after (solar 3W cell), nD: either order,",
       "                 =nW: exactly n words between; P: same field, S: within 20 words",
       "  truncation     sol+ any ending; inside a word + any run, ? one character, # one or none",
       "  comparisons    on dates and numbers: 2010/PD, /PD >=2000, /PD <=2005, /PD <>2001",
       "  sets           $n names set n: $3 AND $6", known,
       "Strategies are kept in " + (strategyFolder.empty() ? "(no folder)" : strategyFolder) + ".",
       "To leave: ..STOP (saves the strategy as last-session), ..STOP END (saves nothing),",
       "or the end of the input (Ctrl-D)."});
  return lines;
}
