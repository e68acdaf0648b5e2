#include "translator/VERGER_MODE.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "translator/TranslatorBuffers.h"
#include "translator/VergerLexicon.h"
#include "translator/VergerTables.h"

namespace {

using namespace verger_lexicon;

constexpr int kMaxCommandWord = 253;  // "-WORD-" is built in 256 bytes
constexpr int kMaxBracketStretch = 500;
constexpr std::size_t kMaxValueForm = 511;
constexpr int kLastState = SYN_CRITERION;

// Characters whose spacing normalising changes: line ends, brackets, the
// slash and the comparison signs. Every other character is copied as it is.
constexpr std::array<bool, 256> kRespaced = [] {
  std::array<bool, 256> respaced{};
  for (unsigned char c : std::string_view("\n\r()/<=>")) respaced[c] = true;
  return respaced;
}();

char kSpace[] = " ";        // separators of most commands
char kSpaceComma[] = " ,";  // separators of number lists

// Moves `cursor` to the next word of a line split at any run of separators,
// as strtok would cut it, without touching the line. False at the end.
bool nextWord(const char*& cursor, const char* separators, std::string_view& word) {
  cursor += std::strspn(cursor, separators);
  if (*cursor == '\0') return false;
  const std::size_t length = std::strcspn(cursor, separators);
  word = std::string_view(cursor, length);
  cursor += length;
  return true;
}

// Cuts the next token out of `cursor` in place, as strtok does with the
// separators " ,": separators are skipped, the token ends with a NUL written
// over its separator. Null at the end.
char* cutToken(char*& cursor) {
  auto isSeparator = [](char c) { return c == ' ' || c == ','; };
  while (isSeparator(*cursor)) ++cursor;
  if (*cursor == '\0') return nullptr;
  char* token = cursor;
  while (*cursor != '\0' && !isSeparator(*cursor)) ++cursor;
  if (*cursor != '\0') *cursor++ = '\0';
  return token;
}

bool equalsEither(const char* word, const char* upper, const char* lower) {
  return word != nullptr && (std::strcmp(word, upper) == 0 || std::strcmp(word, lower) == 0);
}

// A keyword argument, accepted in exactly these two spellings, and the value
// the record stores for it.
struct Keyword {
  const char* upper;
  const char* lower;
  int32_t value;
};

// The keywords of ..STOP's argument: stop_save.
constexpr Keyword kStopModes[] = {
    {"END", "end", 0},
    {"SV", "sv", 1},
};

// The keywords of ..ERASE's first argument: erase_mode (a number list is 2).
constexpr Keyword kEraseModes[] = {
    {"SSZERO", "sszero", 0},
    {"ALL", "all", 1},
};

// The keywords of ..FILE's second argument: file_mode.
constexpr Keyword kFileModes[] = {
    {"SV", "sv", 0},
    {"ER", "er", 1},
    {"BEGIN", "begin", 2},
    {"STAT", "stat", 3},
};

// The keyword of `table` that `word` spells, or null.
template <std::size_t N>
const Keyword* findKeyword(const char* word, const Keyword (&table)[N]) {
  for (const Keyword& keyword : table) {
    if (equalsEither(word, keyword.upper, keyword.lower)) return &keyword;
  }
  return nullptr;
}

// A word of decimal digits only whose value fits a 32-bit long.
bool parseNumber(std::string_view word, int32_t& value) {
  if (word.empty()) return false;
  int64_t result = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
    if (result > std::numeric_limits<int32_t>::max()) return false;
  }
  value = static_cast<int32_t>(result);
  return true;
}

// Copies `word` into a record field of `size` bytes; false when it does not fit.
bool copyField(char* field, std::size_t size, const char* word) {
  const std::size_t length = std::strlen(word);
  if (length >= size) return false;
  std::memcpy(field, word, length + 1);
  return true;
}

// A fresh copy of `text` that the record owns; null when memory runs out.
char* ownedCopy(const char* text) {
  const std::size_t length = std::strlen(text);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy != nullptr) std::memcpy(copy, text, length + 1);
  return copy;
}

// Stores in `target` a copy of `word`, a word of the command line (null when
// the line has none there), that the record owns.
VERGER_ERROR storeOwnedWord(const char* word, char*& target) {
  if (word == nullptr) return INCORRECT_ARGUMENT_VALUE;
  target = ownedCopy(word);
  return target == nullptr ? INTERNAL_ERROR : SYNTAX_OK;
}

// The translation being written: appends stop at the buffer's end and mark it
// overflowed, so the translator can reject the expression instead of cutting it.
class Output {
 public:
  explicit Output(char* buffer) : buffer_(buffer) { buffer_[0] = '\0'; }
  void add(std::string_view text) {
    if (overflowed_ || length_ + text.size() >= TranslatorBuffers::kTextSize) {
      overflowed_ = true;
      return;
    }
    std::memcpy(buffer_ + length_, text.data(), text.size());
    length_ += text.size();
    buffer_[length_] = '\0';
  }
  bool overflowed() const { return overflowed_; }

 private:
  char* buffer_;
  std::size_t length_ = 0;
  bool overflowed_ = false;
};

// The criterion named by a criterion token: the text after its first "/".
std::string_view criterionOf(const char* token) {
  const char* slash = std::strchr(token, '/');
  return slash == nullptr ? std::string_view() : std::string_view(slash + 1);
}

bool isComparison(const char* token) { return token != nullptr && isComparisonValue(token); }

// One pass over a token gives its length and whether its value form differs
// from it (a "+" or ":" to rewrite).
std::string_view scanToken(const char* token, bool& plain) {
  std::size_t length = 0;
  plain = true;
  for (; token[length] != '\0'; ++length) {
    plain = plain && token[length] != '+' && token[length] != ':';
  }
  return {token, length};
}

// A term as the back end writes it: "+" truncation becomes "*", and a range
// "a:b" becomes "[a,b]" (the two words around the first ":", read as the C
// library's "%s%s" reads them). False when the term exceeds 511 characters.
bool addValueForm(Output& out, std::string_view text, bool plain) {
  if (text.size() > kMaxValueForm) return false;
  if (plain) {
    out.add(text);
    return true;
  }
  char copy[kMaxValueForm + 1];
  std::size_t colon = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    copy[i] = text[i] == '+' ? '*' : text[i];
    if (text[i] == ':' && colon == std::string_view::npos) colon = i;
  }
  const std::string_view value(copy, text.size());
  if (colon == std::string_view::npos) {
    out.add(value);
    return true;
  }
  copy[colon] = ' ';
  auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  std::size_t pos = 0;
  auto readWord = [&]() {
    while (pos < value.size() && isBlank(value[pos])) ++pos;
    const std::size_t first = pos;
    while (pos < value.size() && !isBlank(value[pos])) ++pos;
    return value.substr(first, pos - first);
  };
  const std::string_view low = readWord();
  const std::string_view high = readWord();
  out.add("[");
  out.add(low);
  out.add(",");
  out.add(high);
  out.add("]");
  return true;
}

// The KTF form of a proximity operator: "/" for a distance in any order (D),
// "+" for an ordered one (W), then "=" if given, the distance, and "W".
void addProximityForm(Output& out, std::string_view token) {
  out.add(token.find_first_of("Dd") != std::string_view::npos ? "/" : "+");
  if (token.find('=') != std::string_view::npos) out.add("=");
  const std::size_t first = token.find_first_of("0123456789");
  if (first != std::string_view::npos) {
    const std::size_t end = token.find_first_not_of("0123456789", first);
    out.add(token.substr(first, end - first));
  }
  out.add("W");
}

// Writes the KTF text of an operator; false when the back end does not support it.
bool addOperator(Output& out, std::string_view token) {
  for (const auto& spelling : verger_tables::kOperatorSpellings) {
    if (spelling.word != token) continue;
    if (spelling.ktf == nullptr) return false;
    out.add(spelling.ktf);
    return true;
  }
  addProximityForm(out, token);
  return true;
}

// The state-machine symbol of a token kind read in `state`. Shared by
// get_alpha_type and lex_control so the hot loop of the syntax check can
// inline it.
inline VERGER_SYN_ALPHA symbolOf(VERGER_SYN_STATE state, TYPETOKEN kind) {
  if (kind < TOK_INVALID || kind > TOK_END) return ALPHA_NONE;
  if (kind == TOK_CRITERION && state == SYN_START) return ALPHA_LEAD_CRITERION;
  return verger_tables::kSymbolOfKind[kind];
}

// The record of the ")" that closes the "(" at `open`, or -1.
int matchingBracket(const VALUE_TYPE_TOKEN* records, int open) {
  int depth = 0;
  for (int i = open; records[i].type != ALPHA_END; ++i) {
    if (records[i].type == ALPHA_OPEN) ++depth;
    if (records[i].type == ALPHA_CLOSE && --depth == 0) return i;
  }
  return -1;
}

// The criterion record right after the group that ends at `close` (-1 when
// the group is not closed), or -1.
int criterionAfter(const VALUE_TYPE_TOKEN* records, int close) {
  if (close < 0 || records[close + 1].type != ALPHA_CRITERION) return -1;
  return close + 1;
}

void clearDefaults(VALUE_TYPE_TOKEN* records, int from, int to) {
  for (int i = from; i <= to; ++i) records[i].use_default = 0;
}

// One run of the expression translator over the token records of a checked
// expression: the output, the current operator and the count of terms, with
// one function per action code. The leading operator and its flag belong to
// the VERGER_MODE and outlive the run.
class ExpressionTranslation {
 public:
  ExpressionTranslation(VALUE_TYPE_TOKEN* records, char* out, VERGER_CONFIG* config,
                        char (&leadingOperator)[VERGER_MODE::kOperatorSize], int32_t& leadingFlag)
      : records_(records),
        output_(out),
        config_(config),
        leadingOperator_(leadingOperator),
        leadingFlag_(leadingFlag) {}

  // Translates every record up to the end record; SYNTAX_OK or the failure,
  // with the text written so far left in the output.
  VERGER_ERROR run() {
    for (r_ = 0; records_[r_].type != ALPHA_END; ++r_) {
      const VERGER_ERROR status = step();
      if (status != SYNTAX_OK) return status;
      if (output_.overflowed()) return INCORRECT_SYNTAX;
    }
    return SYNTAX_OK;
  }

 private:
  // The record at r_ by its action code.
  VERGER_ERROR step() {
    token_ = records_[r_].token;
    switch (records_[r_].value) {
      case verger_tables::ACT_OPEN_AT_START:
        return openAtStart();
      case verger_tables::ACT_LEAD_CRITERION:
        return leadCriterion();
      case verger_tables::ACT_TERM_AT_START:
        return termAtStart();
      case verger_tables::ACT_TERM_AS_OPERAND:
        return termAsOperand();
      case verger_tables::ACT_TERM_AFTER_TERM:
        return termAfterTerm();
      case verger_tables::ACT_OPERATOR_AFTER_TERM:
      case verger_tables::ACT_OPERATOR_AFTER_CRITERION:
        return operatorAfterOperand();
      case verger_tables::ACT_OPEN_AS_OPERAND:
        return openAsOperand();
      case verger_tables::ACT_CLOSE_AFTER_TERM:
        output_.add(token_);
        return SYNTAX_OK;
      case verger_tables::ACT_CRITERION_AFTER_TERM:
      case verger_tables::ACT_END_AFTER_TERM:
      case verger_tables::ACT_END_AFTER_CRITERION:
        // A criterion after a term was written with that term.
        return SYNTAX_OK;
      case verger_tables::ACT_CLOSE_AFTER_CRITERION:
        leadingFlag_ = 0;
        output_.add(token_);
        return SYNTAX_OK;
      case verger_tables::ACT_LEAD_OPERATOR:
        return leadOperator();
      default:
        return INCORRECT_SYNTAX;
    }
  }

  // Reads the term at r_: its text and what its value form needs to know.
  // Only the term actions need this, so the other records are not scanned.
  void readTerm() {
    text_ = scanToken(token_, plain_);
    comparison_ = isComparisonValue(text_);
  }

  const VALUE_TYPE_TOKEN& next() const { return records_[r_ + 1]; }
  bool criterionFollows() const { return next().value == verger_tables::ACT_CRITERION_AFTER_TERM; }

  // "(" at the start: a group followed by a criterion takes it as a prefix,
  // and no term inside the group gets the default criteria.
  VERGER_ERROR openAtStart() {
    const int close = matchingBracket(records_, r_);
    if (const int group = criterionAfter(records_, close); group >= 0) {
      addGroupCriterion(group);
    } else {
      output_.add(token_);
      clearDefaults(records_, r_, close);
    }
    return SYNTAX_OK;
  }

  // A criterion at the start becomes the default criteria and the prefix of
  // the value after it ("PRESENCE=" for a presence word).
  VERGER_ERROR leadCriterion() {
    if (!changeDefaults(token_)) return INCORRECT_SYNTAX;
    const char* following = next().token;
    if (following != nullptr && isPresenceWord(following)) {
      output_.add("PRESENCE=");
      output_.add(criterionOf(token_));
    } else {
      output_.add(criterionOf(token_));
      if (!isComparison(following)) output_.add("=");
    }
    return SYNTAX_OK;
  }

  // A term at the start: its own criterion when one follows, else the
  // default criteria unless they were cleared for it.
  VERGER_ERROR termAtStart() {
    readTerm();
    if (criterionFollows()) {
      addCriterion(next().token);
      ++r_;
    } else if (records_[r_].use_default == 1) {
      addDefaults();
    }
    ++terms_;
    return addValue();
  }

  // A term where an operand is expected: as at the start, except that the
  // first term gets no default criteria, a criterion after it also becomes
  // the default criteria, and a presence word writes nothing.
  VERGER_ERROR termAsOperand() {
    readTerm();
    ++terms_;
    if (isPresenceWord(text_)) return SYNTAX_OK;
    if (criterionFollows()) {
      if (!changeDefaults(next().token)) return INCORRECT_SYNTAX;
      addCriterion(next().token);
      ++r_;
    } else if (terms_ > 1 && records_[r_].use_default == 1) {
      addDefaults();
    }
    return addValue();
  }

  // A term right after a term or ")": joined by the implicit operator, with
  // its own criterion when one follows and never the default criteria.
  VERGER_ERROR termAfterTerm() {
    readTerm();
    output_.add(" ");
    output_.add(leadingFlag_ != 0 ? leadingOperator_ : current_);
    output_.add(" ");
    if (criterionFollows()) {
      addCriterion(next().token);
      ++r_;
    }
    return addValue();
  }

  // An operator after a term, ")" or criterion, in its KTF spelling; it
  // becomes the implicit operator when it is a boolean word. After a
  // criterion, any other operator leaves the leading operator implicit.
  VERGER_ERROR operatorAfterOperand() {
    const std::string_view text(token_);
    output_.add(" ");
    if (!addOperator(output_, text)) return COMMAND_NOT_SUPPORTED;
    output_.add(" ");
    const char* implicit = "OR";
    if (isBooleanWord(text)) {
      implicit = token_;
    } else if (records_[r_].value == verger_tables::ACT_OPERATOR_AFTER_CRITERION &&
               leadingFlag_ != 0) {
      implicit = leadingOperator_;
    }
    if (!copyField(current_, sizeof current_, implicit)) return INCORRECT_SYNTAX;
    if (isProximityLike(text) && next().type == ALPHA_OPEN) {
      clearDefaults(records_, r_ + 1, matchingBracket(records_, r_ + 1));
    }
    return SYNTAX_OK;
  }

  // "(" where an operand is expected: after a leading criterion its group
  // gets no default criteria; a group followed by a criterion takes it.
  VERGER_ERROR openAsOperand() {
    const int close = matchingBracket(records_, r_);
    if (r_ > 0 && records_[r_ - 1].type == ALPHA_LEAD_CRITERION) {
      output_.add(token_);
      clearDefaults(records_, r_, close);
    } else if (const int group = criterionAfter(records_, close); group >= 0) {
      addGroupCriterion(group);
    } else {
      output_.add(token_);
    }
    return SYNTAX_OK;
  }

  // An operator at the start is remembered as the implicit operator of this
  // and later translations; it writes nothing.
  VERGER_ERROR leadOperator() {
    if (!copyField(leadingOperator_, VERGER_MODE::kOperatorSize, token_)) return INCORRECT_SYNTAX;
    leadingFlag_ = 1;
    return SYNTAX_OK;
  }

  // The criterion after the group that opens at r_ prefixes the group, whose
  // terms then get no default criteria.
  void addGroupCriterion(int group) {
    output_.add(criterionOf(records_[group].token));
    output_.add("=");
    output_.add(token_);
    clearDefaults(records_, r_, group);
  }

  // The default criteria in front of a bare term; a comparison value carries
  // its own sign, every other term is joined with "=".
  void addDefaults() {
    output_.add(config_->list_default());
    if (!comparison_) output_.add("=");
  }

  void addCriterion(const char* criterionToken) {
    output_.add(criterionOf(criterionToken));
    if (!comparison_) output_.add("=");
  }

  VERGER_ERROR addValue() {
    return addValueForm(output_, text_, plain_) ? SYNTAX_OK : INCORRECT_SYNTAX;
  }

  // The default criteria become the named criterion; a name that does not
  // fit the configuration's text is refused along with the expression.
  bool changeDefaults(char* criterionToken) {
    char* name = criterionToken + 1;
    if (std::strlen(name) >= VERGER_CONFIG::kDefaultCriteriaSize) return false;
    config_->change_default_criteria(name);
    return true;
  }

  VALUE_TYPE_TOKEN* records_;
  Output output_;
  VERGER_CONFIG* config_;
  char (&leadingOperator_)[VERGER_MODE::kOperatorSize];
  int32_t& leadingFlag_;
  char current_[VERGER_MODE::kCurrentOperatorSize] = "OR";  // the implicit operator
  int terms_ = 0;            // terms translated at the start or as operands
  int r_ = 0;                // the record being translated
  char* token_ = nullptr;    // its token
  std::string_view text_;    // a term: its text (readTerm)
  bool plain_ = true;        // a term: its value form is the text itself
  bool comparison_ = false;  // a term: it is a comparison value
};

}  // namespace

VERGER_MODE::VERGER_MODE() : depth(0), leading_operator{}, leading_flag(0) {}

VERGER_MODE::~VERGER_MODE() { leading_flag = 0; }

char* VERGER_MODE::geterrormsg(VERGER_ERROR code) {
  const std::size_t index =
      code >= 0 && static_cast<std::size_t>(code) < verger_tables::kMessages.size()
          ? static_cast<std::size_t>(code)
          : static_cast<std::size_t>(INTERNAL_ERROR);
  // The messages are string literals; the interface hands them out as char*.
  return const_cast<char*>(verger_tables::kMessages[index]);
}

void VERGER_MODE::error(VERGER_ERROR code) {
  std::snprintf(TranslatorBuffers::shared().lastMessage, TranslatorBuffers::kMessageSize, "%s",
                geterrormsg(code));
}

VERGER_COMMAND_TYPE VERGER_MODE::identifycommand(char* line) {
  if (std::strncmp(line, "..", 2) != 0) return CMD_NONE;
  const char* word = line + 2;
  while (*word != '\0' && std::isspace(static_cast<unsigned char>(*word))) ++word;
  std::size_t length = 0;
  while (word[length] != '\0' && !std::isspace(static_cast<unsigned char>(word[length]))) {
    ++length;
  }
  if (length == 0 || length > kMaxCommandWord) return CMD_NONE;
  char pattern[kMaxCommandWord + 3];
  pattern[0] = '-';
  for (std::size_t i = 0; i < length; ++i) {
    pattern[i + 1] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[i])));
  }
  pattern[length + 1] = '-';
  pattern[length + 2] = '\0';
  for (int row = 0; verger_tables::kCommandTable[row] != nullptr; ++row) {
    if (std::strstr(verger_tables::kCommandTable[row], pattern) != nullptr) {
      return static_cast<VERGER_COMMAND_TYPE>(row);
    }
  }
  return CMD_NONE;
}

int VERGER_MODE::getnumberargs(char* line, char* separators) {
  int count = 0;
  const char* cursor = line;
  std::string_view word;
  while (nextWord(cursor, separators, word)) ++count;
  return count;
}

char* VERGER_MODE::getargs(char* line, int n, char* separators) {
  const char* cursor = line;
  std::string_view word;
  for (int i = 1; i <= n; ++i) {
    if (!nextWord(cursor, separators, word)) return nullptr;
  }
  if (word.size() >= TranslatorBuffers::kArgumentSize) return nullptr;
  char* argument = TranslatorBuffers::shared().argument;
  std::memcpy(argument, word.data(), word.size());
  argument[word.size()] = '\0';
  return argument;
}

VERGER_ERROR VERGER_MODE::command(char* line, VERGER_CONFIG* config, KTF_COMMAND& cmd) {
  char empty[] = "";
  if (line == nullptr) line = empty;
  const VERGER_ERROR result = std::strncmp(line, "..", 2) != 0 ? search(line, config, cmd)
                                                               : dispatchcommand(line, config, cmd);
  if (result != SYNTAX_OK) error(result);
  return result;
}

VERGER_ERROR VERGER_MODE::dispatchcommand(char* line, VERGER_CONFIG* config, KTF_COMMAND& cmd) {
  const VERGER_COMMAND_TYPE type = identifycommand(line);
  switch (type) {
    case CMD_NONE:
      cmd.type = CMD_NONE;
      return UNKNOWN_KEYWORD;
    case CMD_STOP:
      return commandStop(line, cmd);
    case CMD_INDEX:
      return commandIndex(line, cmd);
    case CMD_SAVE:
      return commandSave(line, cmd);
    case CMD_UPDATE:
    case CMD_LIST:
    case CMD_SORT:
      return INTERNAL_ERROR;  // not offered by the back end; the record stays as it was
    case CMD_HISTORY:
    case CMD_INFORMATION:
    case CMD_FIELDS:
      return commandAlone(line, cmd, type);
    case CMD_ERASE:
      return commandErase(line, cmd);
    case CMD_BROWSE:
      return commandBrowse(line, cmd);
    case CMD_PRINT:
      return commandPrint(line, cmd);
    case CMD_HELP:
      return commandHelp(line, cmd);
    case CMD_SEARCH: {
      cmd.type = CMD_SEARCH;
      char* space = std::strchr(line, ' ');
      return space == nullptr ? INCORRECT_SYNTAX : search(space, config, cmd);
    }
    case CMD_EXECUTE:
      return commandExecute(line, cmd);
    case CMD_FILE:
      return commandFile(line, cmd);
    case CMD_KEEP:
      return commandKeep(line, cmd);
  }
  return SYNTAX_OK;  // identifycommand answers only the kinds above
}

VERGER_ERROR VERGER_MODE::search(char* text, VERGER_CONFIG* config, KTF_COMMAND& cmd) {
  if (config == nullptr) return INTERNAL_ERROR;
  const VERGER_ERROR syntax = checksyntax(text, config);
  if (syntax != SYNTAX_OK) return syntax;
  cmd.type = CMD_SEARCH;
  return mappingtoktf(text, config, cmd);
}

VERGER_ERROR VERGER_MODE::commandStop(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_STOP;
  const int words = getnumberargs(line, kSpace);
  if (words == 1) {
    cmd.stop_save = 1;
    return SYNTAX_OK;
  }
  if (words != 2) return BAD_NUMBER_OF_ARGUMENTS;
  const Keyword* mode = findKeyword(getargs(line, 2, kSpace), kStopModes);
  if (mode == nullptr) return ARGUMENTS_NOT_SUPPORTED;
  cmd.stop_save = mode->value;
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::commandIndex(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_INDEX;
  const int words = getnumberargs(line, kSpace);
  if (words > 3) return BAD_NUMBER_OF_ARGUMENTS;
  delete[] cmd.index_field;
  delete[] cmd.index_term;
  cmd.index_field = nullptr;
  cmd.index_term = nullptr;
  if (words >= 2) {
    const char* field = getargs(line, 2, kSpace);
    if (field != nullptr && field[0] == '/') ++field;
    if (const VERGER_ERROR stored = storeOwnedWord(field, cmd.index_field); stored != SYNTAX_OK) {
      return stored;
    }
  }
  if (words == 3) return storeOwnedWord(getargs(line, 3, kSpace), cmd.index_term);
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::commandSave(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_SAVE;
  const int words = getnumberargs(line, kSpace);
  if (words != 2 && words != 3) return BAD_NUMBER_OF_ARGUMENTS;
  cmd.save_se = equalsEither(getargs(line, 2, kSpace), "SE", "se") ? 1 : 0;
  const char* name = getargs(line, words, kSpace);
  if (name == nullptr || !copyField(cmd.save_name, sizeof cmd.save_name, name)) {
    return INCORRECT_ARGUMENT_VALUE;
  }
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::commandAlone(char* line, KTF_COMMAND& cmd, VERGER_COMMAND_TYPE type) {
  cmd.type = type;
  return getnumberargs(line, kSpace) == 1 ? SYNTAX_OK : BAD_NUMBER_OF_ARGUMENTS;
}

VERGER_ERROR VERGER_MODE::commandErase(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_ERASE;
  const int words = getnumberargs(line, kSpaceComma);
  if (words == 1) {
    cmd.erase_mode = 2;
    cmd.erase_count = 0;
    return SYNTAX_OK;
  }
  if (const Keyword* mode = findKeyword(getargs(line, 2, kSpaceComma), kEraseModes)) {
    cmd.erase_mode = mode->value;
    cmd.erase_count = 0;
    return SYNTAX_OK;
  }
  cmd.erase_mode = 2;
  return numberList(line, cmd.erase_count);
}

VERGER_ERROR VERGER_MODE::commandBrowse(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_BROWSE;
  const int words = getnumberargs(line, kSpace);
  if (words == 1) {
    cmd.browse_number = -1;
    return SYNTAX_OK;
  }
  if (words != 2) return BAD_NUMBER_OF_ARGUMENTS;
  const char* number = getargs(line, 2, kSpace);
  int32_t value = 0;
  if (number == nullptr || !parseNumber(number, value)) return INCORRECT_ARGUMENT_VALUE;
  cmd.browse_number = value;
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::commandPrint(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_PRINT;
  const int words = getnumberargs(line, kSpaceComma);
  if (words == 1) {
    cmd.print_count = 0;
    return SYNTAX_OK;
  }
  return numberList(line, cmd.print_count);
}

VERGER_ERROR VERGER_MODE::commandHelp(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_HELP;
  const int words = getnumberargs(line, kSpace);
  if (words > 2) return BAD_NUMBER_OF_ARGUMENTS;
  delete[] cmd.help_topic;
  cmd.help_topic = nullptr;
  if (words == 2) return storeOwnedWord(getargs(line, 2, kSpace), cmd.help_topic);
  return SYNTAX_OK;
}

// ..EX [number] [FROM name]: the number defaults to 1 and the name to empty.
// The name is the word right after FROM and must end the line.
VERGER_ERROR VERGER_MODE::commandExecute(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_EXECUTE;
  const int words = getnumberargs(line, kSpace);
  if (words >= 5) return BAD_NUMBER_OF_ARGUMENTS;
  cmd.exec_from = 1;
  cmd.exec_name[0] = '\0';
  if (words == 1) return SYNTAX_OK;
  int position = 2;
  const char* word = getargs(line, position, kSpace);
  if (!equalsEither(word, "FROM", "from")) {
    int32_t value = 0;
    if (word == nullptr || !parseNumber(word, value)) return INCORRECT_ARGUMENT_VALUE;
    cmd.exec_from = value;
    if (words == 2) return SYNTAX_OK;
    word = getargs(line, ++position, kSpace);
  }
  if (!equalsEither(word, "FROM", "from")) return ARGUMENTS_NOT_SUPPORTED;
  if (words <= position) return ARGUMENTS_MISSING;
  if (words > position + 1) return BAD_NUMBER_OF_ARGUMENTS;
  const char* name = getargs(line, position + 1, kSpace);
  if (name == nullptr || !copyField(cmd.exec_name, sizeof cmd.exec_name, name)) {
    return INCORRECT_ARGUMENT_VALUE;
  }
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::commandFile(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_FILE;
  if (getnumberargs(line, kSpace) != 3) return BAD_NUMBER_OF_ARGUMENTS;
  const char* name = getargs(line, 2, kSpace);
  if (name == nullptr || !copyField(cmd.file_name, sizeof cmd.file_name, name)) {
    return INCORRECT_ARGUMENT_VALUE;
  }
  const Keyword* mode = findKeyword(getargs(line, 3, kSpace), kFileModes);
  if (mode == nullptr) return ARGUMENTS_NOT_SUPPORTED;
  cmd.file_mode = mode->value;
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::commandKeep(char* line, KTF_COMMAND& cmd) {
  cmd.type = CMD_KEEP;
  const int words = getnumberargs(line, kSpaceComma);
  if (words < 2) return BAD_NUMBER_OF_ARGUMENTS;
  return numberList(line, cmd.keep_count);
}

VERGER_ERROR VERGER_MODE::numberList(char* line, int32_t& count) {
  int32_t* list = TranslatorBuffers::shared().numberList;
  int length = 0;
  // One walk over the words, so a long list costs no more than reading it.
  const char* cursor = line;
  std::string_view text;
  nextWord(cursor, kSpaceComma, text);  // the command word
  while (nextWord(cursor, kSpaceComma, text)) {
    const std::size_t dash = text.find('-');
    int32_t first = 0;
    int32_t last = 0;
    if (dash == std::string_view::npos) {
      if (!parseNumber(text, first)) return INCORRECT_ARGUMENT_VALUE;
      last = first;
    } else if (!parseNumber(text.substr(0, dash), first) ||
               !parseNumber(text.substr(dash + 1), last) || first > last) {
      return INCORRECT_ARGUMENT_VALUE;
    }
    for (int64_t value = first; value <= last; ++value) {
      if (length == TranslatorBuffers::kNumberListSize) return INTERNAL_ERROR;
      list[length++] = static_cast<int32_t>(value);
    }
  }
  count = length;
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::lex_normalizing(char* text) {
  char out[TranslatorBuffers::kTextSize];
  constexpr std::size_t kLimit = sizeof out - 1;
  std::size_t length = 0;
  // The next ")" at or after the current character, found once and reused
  // until reading passes it, so a text full of brackets is read in one sweep.
  const char* nextClose = nullptr;
  for (const char* p = text; *p != '\0'; ++p) {
    const char c = *p;
    if (!kRespaced[static_cast<unsigned char>(c)]) {
      if (length >= kLimit) return INCORRECT_SYNTAX;
      out[length++] = c;
      continue;
    }
    if (length + 3 > kLimit) {
      // Near the end of the buffer: only a piece that still fits may follow.
      const std::size_t need = c == '\n' || c == '\r' ? 0
                               : c == '/'             ? 2
                               : c == '(' || c == ')' ? 3
                                                      : 1;
      if (length + need > kLimit) return INCORRECT_SYNTAX;
    }
    if (c == '\n' || c == '\r') continue;
    if (c == '(' || c == ')') {
      if (nextClose == nullptr || nextClose < p) nextClose = std::strchr(p, ')');
      if (nextClose != nullptr) {
        if (nextClose - p > kMaxBracketStretch) return INCORRECT_SYNTAX;
        const std::string_view stretch(p, static_cast<std::size_t>(nextClose - p + 1));
        if (isProximityOperator(stretch)) {
          if (length + stretch.size() + 2 > kLimit) return INCORRECT_SYNTAX;
          out[length++] = ' ';
          std::memcpy(out + length, stretch.data(), stretch.size());
          length += stretch.size();
          out[length++] = ' ';
          p = nextClose;
          continue;
        }
      } else {
        nextClose = p + std::strlen(p);  // no ")" left: nothing to look for again
      }
      out[length++] = ' ';
      out[length++] = c;
      out[length++] = ' ';
    } else if (c == '/') {
      out[length++] = ' ';
      out[length++] = '/';
    } else {
      out[length++] = c;  // a comparison sign sticks to its value
      while (p[1] == ' ') ++p;
    }
  }
  std::memcpy(text, out, length);
  text[length] = '\0';
  return SYNTAX_OK;
}

TYPETOKEN VERGER_MODE::lex_typing(char* token, VERGER_CONFIG* config) {
  if (token[0] == '(' && token[1] == '\0') return TOK_OPEN;
  if (token[0] == ')' && token[1] == '\0') return TOK_CLOSE;
  if (token[0] == '/') {
    for (char* c = token + 1; *c != '\0'; ++c) {
      if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
    }
    return config->isa_criter(token + 1, CRIT_KNOWN) == 1 ? TOK_CRITERION : TOK_INVALID;
  }
  // One pass gives the length and whether the token is plain term text.
  std::size_t length = 0;
  bool termText = true;
  for (; token[length] != '\0'; ++length) termText = termText && isTermCharacter(token[length]);
  const std::string_view text(token, length);
  if (isOperatorWord(text) || isProximityOperator(text)) return TOK_OPERATOR;
  if (isPresenceWord(text) || isComparisonValue(text) || termText) return TOK_TERM;
  if (isSetReference(text)) return TOK_TERM;
  return TOK_INVALID;
}

VERGER_SYN_ALPHA VERGER_MODE::get_alpha_type(VERGER_SYN_STATE state, TYPETOKEN kind) {
  return symbolOf(state, kind);
}

VERGER_SYN_STATE VERGER_MODE::lex_control(VERGER_SYN_STATE state, TYPETOKEN kind) {
  const VERGER_SYN_ALPHA symbol = symbolOf(state, kind);
  if (symbol == ALPHA_NONE || state < SYN_START || state > kLastState) return SYN_ERROR;
  if (kind == TOK_OPEN) ++depth;
  if (kind == TOK_CLOSE && --depth < 0) return SYN_ERROR;
  return static_cast<VERGER_SYN_STATE>(verger_tables::kTransitions[state][symbol]);
}

VERGER_ERROR VERGER_MODE::checksyntax(char* text, VERGER_CONFIG* config) {
  char* copy = TranslatorBuffers::shared().syntaxCopy;
  if (!copyField(copy, TranslatorBuffers::kTextSize, text)) return INCORRECT_SYNTAX;
  if (lex_normalizing(copy) != SYNTAX_OK) return INCORRECT_SYNTAX;
  depth = 0;
  VERGER_SYN_STATE state = SYN_START;
  char* cursor = copy;
  while (char* token = cutToken(cursor)) {
    const TYPETOKEN kind = lex_typing(token, config);
    if (kind == TOK_INVALID) return INCORRECT_SYNTAX;
    state = lex_control(state, kind);
    if (state == SYN_ERROR) return INCORRECT_SYNTAX;
  }
  if (lex_control(state, TOK_END) == SYN_ERROR || depth > 0) return INCORRECT_SYNTAX;
  return SYNTAX_OK;
}

VERGER_ERROR VERGER_MODE::mappingtoktf(char* text, VERGER_CONFIG* config, KTF_COMMAND& cmd) {
  TranslatorBuffers& buffers = TranslatorBuffers::shared();
  cmd.expression = buffers.translation;
  char* copy = buffers.workingCopy;
  if (!copyField(copy, TranslatorBuffers::kTextSize, text)) return INCORRECT_SYNTAX;
  if (lex_normalizing(copy) != SYNTAX_OK) return INCORRECT_SYNTAX;
  depth = 0;
  VERGER_SYN_STATE state = SYN_START;
  VALUE_TYPE_TOKEN* records = buffers.records;
  int count = 0;
  char* cursor = copy;
  while (char* token = cutToken(cursor)) {
    const int i = count++;
    const TYPETOKEN kind = lex_typing(token, config);
    const VERGER_SYN_ALPHA symbol = get_alpha_type(state, kind);
    if (symbol == ALPHA_NONE) return INCORRECT_SYNTAX;
    // A term takes no default criteria when it names a saved set, or when it
    // follows a proximity, paragraph or sentence operator.
    const bool plainTerm =
        symbol != ALPHA_TERM || !((token[0] == '$' && isSetReference(token)) ||
                                  (i >= 1 && records[i - 1].type == ALPHA_OPERATOR &&
                                   isProximityLike(records[i - 1].token)));
    records[i] = {verger_tables::kActions[state][symbol], symbol, token, plainTerm ? 1 : 0};
    if (i >= 1 && i + 1 >= TranslatorBuffers::kRecordCount) return INTERNAL_ERROR;
    state = lex_control(state, kind);
    if (state == SYN_ERROR) return INCORRECT_SYNTAX;
  }
  if (count + 1 >= TranslatorBuffers::kRecordCount) return INTERNAL_ERROR;
  records[count] = {verger_tables::kActions[state][ALPHA_END], ALPHA_END, nullptr, 1};
  if (lex_control(state, TOK_END) == SYN_ERROR || depth != 0) return INCORRECT_SYNTAX;
  return lex_translate_orbtoktf(records, buffers.translation, config);
}

VERGER_ERROR VERGER_MODE::lex_translate_orbtoktf(VALUE_TYPE_TOKEN* records, char* out,
                                                 VERGER_CONFIG* config) {
  ExpressionTranslation translation(records, out, config, leading_operator, leading_flag);
  return translation.run();
}
