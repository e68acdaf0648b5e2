#pragma once

#include <cstdint>

// The enumerations and the token record shared by the VERGER translator
// (VERGER_MODE, VERGER_CONFIG, KTF_COMMAND). Every value is fixed: clients
// store and compare them as plain integers.

// The kind of a command: its value is the row of the command table that matched.
enum VERGER_COMMAND_TYPE : int32_t {
  CMD_NONE = 0,  // unknown word, or no word at all
  CMD_STOP = 1,
  CMD_INDEX = 2,
  CMD_SAVE = 3,
  CMD_UPDATE = 4,
  CMD_HISTORY = 5,
  CMD_ERASE = 6,
  CMD_LIST = 7,
  CMD_BROWSE = 8,
  CMD_PRINT = 9,
  CMD_SORT = 10,
  CMD_INFORMATION = 11,
  CMD_HELP = 12,
  CMD_SEARCH = 13,  // also the kind of a bare search expression
  CMD_EXECUTE = 14,
  CMD_FIELDS = 15,
  CMD_FILE = 16,
  CMD_KEEP = 17,
};

// The status of every translator operation; VERGER_MODE::geterrormsg gives its text.
enum VERGER_ERROR : int32_t {
  SYNTAX_OK = 0,
  COMMAND_NOT_SUPPORTED = 1,
  INCORRECT_SYNTAX = 2,
  UNKNOWN_KEYWORD = 3,
  ARGUMENTS_MISSING = 4,
  INCORRECT_ARGUMENT_VALUE = 5,
  INVALID_INDEX = 6,
  TOO_COMPLEX_SYNTAX = 7,
  ARGUMENTS_NOT_SUPPORTED = 8,
  UNKNOWN_ARGUMENTS = 9,
  INVALID_EXPRESSION = 10,
  INVALID_FILENAME = 11,
  INVALID_PATHNAME = 12,
  INVALID_RANGE = 13,
  BAD_NUMBER_OF_ARGUMENTS = 14,
  INTERNAL_ERROR = 15,
};

// The kind of one token of a search expression.
enum TYPETOKEN : int32_t {
  TOK_INVALID = 0,    // none of the kinds below
  TOK_OPEN = 1,       // exactly "("
  TOK_CLOSE = 2,      // exactly ")"
  TOK_CRITERION = 3,  // "/" followed by a known criterion
  TOK_TERM = 4,       // search term, comparison value or set reference
  TOK_OPERATOR = 5,   // boolean, proximity or paragraph operator
  TOK_END = 6,        // fed to the state machine after the last token
};

// The symbol a token is for the state machine: the column of the transition
// and action tables.
enum VERGER_SYN_ALPHA : int32_t {
  ALPHA_NONE = -1,  // the token kind has no symbol
  ALPHA_LEAD_CRITERION = 0,
  ALPHA_TERM = 1,
  ALPHA_CRITERION = 2,
  ALPHA_OPERATOR = 3,
  ALPHA_OPEN = 4,
  ALPHA_CLOSE = 5,
  ALPHA_END = 6,
};

// The states of the syntax check: the row of the transition and action tables.
enum VERGER_SYN_STATE : int32_t {
  SYN_ERROR = -1,
  SYN_START = 0,      // nothing read yet, or only "(" and leading operators
  SYN_OPERAND = 1,    // an operand must follow
  SYN_TERM = 2,       // after a term or a ")"
  SYN_CRITERION = 3,  // after a criterion that follows a term or a ")"
  SYN_ACCEPT = 4,
};

// The kind of a criterion: only zero and non-zero are told apart.
enum TYPE_CRIT : int32_t {
  CRIT_KNOWN = 0,    // may be written after a slash in expressions
  CRIT_DEFAULT = 1,  // applies to terms written without a criterion
};

// One token of a checked expression, as the expression translator reads it.
// The array of records ends with a record of type ALPHA_END.
struct VALUE_TYPE_TOKEN {
  int32_t value;          // action code of the translator (0..14)
  VERGER_SYN_ALPHA type;  // the token's symbol; ALPHA_END marks the end record
  char* token;            // the token inside the working copy; null in the end record
  int32_t use_default;    // 1: a bare term here receives the default criteria
};
