#pragma once

#include <cstdint>

#include "platform/Export.h"
#include "translator/KTF_COMMAND.h"
#include "translator/VERGER_CONFIG.h"
#include "translator/VergerTypes.h"

// The VERGER command-language translator. command() takes one line the user
// typed, recognises a command (a line beginning with "..") or a search
// expression, checks it and fills a KTF_COMMAND. One object serves a whole
// session: a leading operator typed at the start of an expression ("AND a b")
// stays the implicit operator of later translations. The translator's working
// storage is library-wide, so calls must not overlap.
class SORREL_EXPORT VERGER_MODE {
 public:
  static constexpr int kOperatorSize = 20;         // bytes of the leading operator, NUL included
  static constexpr int kCurrentOperatorSize = 16;  // bytes of the current operator, NUL included

  // No leading operator remembered yet.
  VERGER_MODE();
  // Forgets the leading operator.
  ~VERGER_MODE();

  // Translates one NUL-terminated line (not modified) into `cmd` and returns 0
  // (SYNTAX_OK) or the failure. `config` says which criteria exist; a search
  // may change its default criteria. On failure `cmd` keeps whatever was
  // stored before the failing step. cmd.expression points into library storage
  // and shows the latest translation. A null line is an empty search; a null
  // config fails a search with INTERNAL_ERROR.
  [[nodiscard]] VERGER_ERROR command(char* line, VERGER_CONFIG* config, KTF_COMMAND& cmd);

  // The static message of `code`, never to be freed; INTERNAL_ERROR's text for
  // a code outside 0..15.
  char* geterrormsg(VERGER_ERROR code);

 private:
  // Records the message of `code` in the library's last-message buffer.
  void error(VERGER_ERROR code);
  // The command word after ".." looked up in the command table; CMD_NONE when
  // unknown, missing, or longer than 253 characters.
  VERGER_COMMAND_TYPE identifycommand(char* line);
  // Number of words of `line` split at any of `separators`.
  int getnumberargs(char* line, char* separators);
  // Word n (from 1) copied into the library's argument buffer, valid until the
  // next call; null when there are fewer words or the word exceeds 1,023 characters.
  char* getargs(char* line, int n, char* separators);

  // A line beginning with "..": the handler of its command word, whose status
  // it returns (a SEARCH goes to search()).
  VERGER_ERROR dispatchcommand(char* line, VERGER_CONFIG* config, KTF_COMMAND& cmd);
  // One handler per command kind; each returns the command's status.
  VERGER_ERROR commandStop(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandIndex(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandSave(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandAlone(char* line, KTF_COMMAND& cmd, VERGER_COMMAND_TYPE type);
  VERGER_ERROR commandErase(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandBrowse(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandPrint(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandHelp(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandExecute(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandFile(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR commandKeep(char* line, KTF_COMMAND& cmd);
  VERGER_ERROR search(char* text, VERGER_CONFIG* config, KTF_COMMAND& cmd);
  // The words after the command word as numbers and inclusive ranges into the
  // shared number list; `count` is set only on success.
  VERGER_ERROR numberList(char* line, int32_t& count);

  // Makes spacing regular in place: blanks around brackets, before slashes,
  // none after comparison signs; drops line ends. INCORRECT_SYNTAX when the
  // result would exceed 4,095 characters or a bracket is more than 500
  // characters from the next ")"; the text is then unspecified.
  [[nodiscard]] VERGER_ERROR lex_normalizing(char* text);
  // The kind of one token; upper-cases a criterion after its slash in place.
  TYPETOKEN lex_typing(char* token, VERGER_CONFIG* config);
  // Next state of the syntax check; keeps the bracket depth.
  VERGER_SYN_STATE lex_control(VERGER_SYN_STATE state, TYPETOKEN kind);
  // The state-machine symbol of a token kind, without side effects.
  VERGER_SYN_ALPHA get_alpha_type(VERGER_SYN_STATE state, TYPETOKEN kind);
  // SYNTAX_OK or INCORRECT_SYNTAX for an expression; `text` is not modified.
  VERGER_ERROR checksyntax(char* text, VERGER_CONFIG* config);
  // Builds the token records of a checked expression and translates them into
  // the library's translation buffer, to which cmd.expression then points.
  VERGER_ERROR mappingtoktf(char* text, VERGER_CONFIG* config, KTF_COMMAND& cmd);
  // Writes the KTF expression of `records` into `out` (4,096 bytes).
  VERGER_ERROR lex_translate_orbtoktf(VALUE_TYPE_TOKEN* records, char* out, VERGER_CONFIG* config);

  int32_t depth;                         // bracket nesting of the expression being read
  char leading_operator[kOperatorSize];  // operator typed at the start of an expression
  int32_t leading_flag;                  // 1: leading_operator is the implicit operator
};
