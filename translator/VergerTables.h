#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "translator/VergerTypes.h"

// The translator's tables, kept as data so that each reads like the table it
// implements. Internal to the library.
namespace verger_tables {

// Command words by VERGER_COMMAND_TYPE. A command word is looked up as
// "-WORD-" (upper-cased) in each row, first match wins; the lower-case
// spellings never match and the INDEX row has no closing dash, as in the
// table the clients were written against.
inline constexpr std::array<const char*, 19> kCommandTable = {
    "",                                     // 0  CMD_NONE: never matches
    "-STOP-ST-stop-st-",                    // 1  CMD_STOP
    "-INDEX-IND-index-ind",                 // 2  CMD_INDEX
    "-SAVE-SV-save-sv-",                    // 3  CMD_SAVE
    "-UPDATE-UPD-update-upd-",              // 4  CMD_UPDATE
    "-HISTORY-HI-history-hi-",              // 5  CMD_HISTORY
    "-ERASE-ER-erase-er-",                  // 6  CMD_ERASE
    "-LIST-LI-list-li-",                    // 7  CMD_LIST
    "-BROWSE-BR-browse-br-",                // 8  CMD_BROWSE
    "-PRINT-PR-print-pr-",                  // 9  CMD_PRINT
    "-SORT-SO-sort-so-",                    // 10 CMD_SORT
    "-INFORMATION-INFO-information-info-",  // 11 CMD_INFORMATION
    "-HELP-HE-help-he-",                    // 12 CMD_HELP
    "-SEARCH-SE-search-se-",                // 13 CMD_SEARCH
    "-EXECUTE-EX-execute-ex-",              // 14 CMD_EXECUTE
    "-FIELDS-fields-",                      // 15 CMD_FIELDS
    "-FILE-file-FI-fi-",                    // 16 CMD_FILE
    "-KEEP-KE-keep-ke-",                    // 17 CMD_KEEP
    nullptr,                                // end of the table
};

// Messages by VERGER_ERROR.
inline constexpr std::array<const char*, 16> kMessages = {
    "Syntax OK",                  // 0  SYNTAX_OK
    "Command not supported",      // 1  COMMAND_NOT_SUPPORTED
    "Incorrect syntax",           // 2  INCORRECT_SYNTAX
    "Unknown keyword",            // 3  UNKNOWN_KEYWORD
    "Argument(s) missing",        // 4  ARGUMENTS_MISSING
    "Incorrect argument value",   // 5  INCORRECT_ARGUMENT_VALUE
    "Invalid index",              // 6  INVALID_INDEX
    "Too complex syntax",         // 7  TOO_COMPLEX_SYNTAX
    "Argument(s) not supported",  // 8  ARGUMENTS_NOT_SUPPORTED
    "Unknown argument(s)",        // 9  UNKNOWN_ARGUMENTS
    "Invalid expression",         // 10 INVALID_EXPRESSION
    "Invalid filename",           // 11 INVALID_FILENAME
    "Invalid pathname",           // 12 INVALID_PATHNAME
    "Invalid range",              // 13 INVALID_RANGE
    "Bad number of argument(s)",  // 14 BAD_NUMBER_OF_ARGUMENTS
    "Internal error",             // 15 INTERNAL_ERROR
};

// State-machine symbol of each token kind; a criterion read in state 0 is a
// leading criterion instead.
inline constexpr std::array<VERGER_SYN_ALPHA, 7> kSymbolOfKind = {
    ALPHA_NONE,       // TOK_INVALID
    ALPHA_OPEN,       // TOK_OPEN
    ALPHA_CLOSE,      // TOK_CLOSE
    ALPHA_CRITERION,  // TOK_CRITERION
    ALPHA_TERM,       // TOK_TERM
    ALPHA_OPERATOR,   // TOK_OPERATOR
    ALPHA_END,        // TOK_END
};

// Next state of the syntax check by state (row) and symbol (column); -1 is an error.
inline constexpr int kTransitions[4][7] = {
    // lead crit.  term  criterion  operator  "("  ")"  end
    {1, 2, -1, 0, 0, -1, -1},    // 0 SYN_START
    {-1, 2, -1, -1, 1, -1, -1},  // 1 SYN_OPERAND
    {-1, 2, 3, 1, -1, 2, 4},     // 2 SYN_TERM
    {-1, -1, -1, 1, -1, 3, 4},   // 3 SYN_CRITERION
};

// What the expression translator does with a token, by where it stands: the
// action code stored in VALUE_TYPE_TOKEN::value. Code 13 is never produced.
enum VERGER_ACTION : int32_t {
  ACT_NONE = -1,                      // cannot occur in a checked expression
  ACT_OPEN_AT_START = 0,              // "(" at the start
  ACT_LEAD_CRITERION = 1,             // criterion at the start
  ACT_TERM_AT_START = 2,              // term at the start, also inside brackets opened there
  ACT_TERM_AS_OPERAND = 3,            // term after an operator, a leading criterion or such a "("
  ACT_TERM_AFTER_TERM = 4,            // term directly after a term or ")"
  ACT_OPERATOR_AFTER_TERM = 5,        // operator after a term or ")"
  ACT_OPEN_AS_OPERAND = 6,            // "(" where an operand is expected
  ACT_CLOSE_AFTER_TERM = 7,           // ")" after a term or ")"
  ACT_CRITERION_AFTER_TERM = 8,       // criterion after a term or ")"
  ACT_CLOSE_AFTER_CRITERION = 9,      // ")" after a criterion
  ACT_OPERATOR_AFTER_CRITERION = 10,  // operator after a criterion
  ACT_END_AFTER_TERM = 11,            // the end, after a term or ")"
  ACT_END_AFTER_CRITERION = 12,       // the end, after a criterion
  ACT_LEAD_OPERATOR = 14,             // operator at the start
};

// Action of the expression translator by state before the token (row) and the
// token's symbol (column), in the layout of kTransitions.
inline constexpr VERGER_ACTION kActions[4][7] = {
    // SYN_START: lead crit., term, criterion, operator, "(", ")", end
    {ACT_LEAD_CRITERION, ACT_TERM_AT_START, ACT_NONE, ACT_LEAD_OPERATOR, ACT_OPEN_AT_START,
     ACT_NONE, ACT_NONE},
    // SYN_OPERAND
    {ACT_NONE, ACT_TERM_AS_OPERAND, ACT_NONE, ACT_NONE, ACT_OPEN_AS_OPERAND, ACT_NONE, ACT_NONE},
    // SYN_TERM
    {ACT_NONE, ACT_TERM_AFTER_TERM, ACT_CRITERION_AFTER_TERM, ACT_OPERATOR_AFTER_TERM, ACT_NONE,
     ACT_CLOSE_AFTER_TERM, ACT_END_AFTER_TERM},
    // SYN_CRITERION
    {ACT_NONE, ACT_NONE, ACT_NONE, ACT_OPERATOR_AFTER_CRITERION, ACT_NONE,
     ACT_CLOSE_AFTER_CRITERION, ACT_END_AFTER_CRITERION},
};

// Characters of a search term besides the ASCII letters and digits: the double
// quote and twelve accented letters of code page 850 (ä â ö ô é è ê û ü ç à ù).
inline constexpr std::string_view kExtraWordCharacters =
    "\"\x84\x83\x94\x93\x82\x8A\x88\x96\x81\x87\x85\x97";

// Truncation and range characters that may appear inside a term.
inline constexpr std::string_view kTruncationCharacters = "#+?:";

// The mark that begins a set reference ($12).
inline constexpr char kSetReferenceMark = '$';

// Operator words, in the order they are tried.
inline constexpr std::array<std::string_view, 22> kOperatorWords = {
    "OR", "AND", "NOT", "ANDNOT", "ORNOT", "or",   "and",  "not",  "andnot", "ornot", "P",
    "S",  "L",   "p",   "s",      "l",     "NOTP", "NOTS", "NOTL", "notp",   "nots",  "notl",
};

// Comparison signs, in the order they are tried ("<" before "<>", so a token
// beginning with "<>" is never a comparison value).
inline constexpr std::array<std::string_view, 6> kComparisonSigns = {"<=", ">=", "=",
                                                                     "<",  ">",  "<>"};

// Words that ask whether a field is present.
inline constexpr std::array<std::string_view, 2> kPresenceWords = {"YES", "=YES"};

// Boolean operator words: the current operator of a translation is one of these or "OR".
inline constexpr std::array<std::string_view, 10> kBooleanWords = {
    "OR", "AND", "NOT", "ANDNOT", "ORNOT", "or", "and", "not", "andnot", "ornot",
};

// Paragraph and sentence operators: like proximity operators, the term after
// them and a bracket group after them get no default criteria.
inline constexpr std::array<std::string_view, 12> kParagraphWords = {
    "P", "S", "L", "p", "s", "l", "NOTP", "NOTS", "NOTL", "notp", "nots", "notl",
};

// KTF spelling of each operator word, first match wins; a null spelling marks
// an operator the back end does not support. Tokens not listed are proximity
// operators and get their proximity form.
struct OperatorSpelling {
  std::string_view word;  // the operator as typed
  const char* ktf;        // its KTF text, or null when unsupported
};
inline constexpr std::array<OperatorSpelling, 22> kOperatorSpellings = {{
    {"OR", "OR"},         {"or", "OR"},          //
    {"AND", "AND"},       {"and", "AND"},        //
    {"NOT", "NOT"},       {"not", "NOT"},        //
    {"ANDNOT", "ANDNOT"}, {"andnot", "ANDNOT"},  //
    {"ORNOT", "ORNOT"},   {"ornot", "ORNOT"},    //
    {"P", "/P"},          {"p", "/P"},           //
    {"S", "/S"},          {"s", "/S"},           //
    {"L", "/P"},          {"l", "/P"},           //
    {"NOTP", nullptr},    {"notp", nullptr},     //
    {"NOTS", nullptr},    {"nots", nullptr},     //
    {"NOTL", nullptr},    {"notl", nullptr},     //
}};

}  // namespace verger_tables
