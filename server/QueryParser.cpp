#include "server/QueryParser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

namespace {

using Kind = QueryNode::Kind;
using NodePtr = std::unique_ptr<QueryNode>;

struct Token {
  enum class Type { kWord, kOpen, kClose, kRange, kSign, kEnd };
  Type type;
  std::string text;  // word, sign, or the inside of a range
  size_t column;     // 1-based
};

bool IsWordByte(char c) {
  return c != ' ' && c != '\t' && c != '(' && c != ')' && c != '[' && c != ']' && c != '=' &&
         c != '<' && c != '>';
}

bool Lex(std::string_view text, std::vector<Token>& tokens, std::string& error) {
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    size_t column = i + 1;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '(') {
      tokens.push_back({Token::Type::kOpen, "(", column});
      ++i;
    } else if (c == ')') {
      tokens.push_back({Token::Type::kClose, ")", column});
      ++i;
    } else if (c == '[') {
      size_t end = text.find(']', i);
      if (end == std::string_view::npos) {
        error = "column " + std::to_string(column) + ": range without \"]\"";
        return false;
      }
      tokens.push_back({Token::Type::kRange, std::string(text.substr(i + 1, end - i - 1)), column});
      i = end + 1;
    } else if (c == ']') {
      error = "column " + std::to_string(column) + ": \"]\" without \"[\"";
      return false;
    } else if (c == '=' || c == '<' || c == '>') {
      std::string sign(1, c);
      if (i + 1 < text.size() && (c == '<' || c == '>') &&
          (text[i + 1] == '=' || (c == '<' && text[i + 1] == '>'))) {
        sign += text[i + 1];
      }
      tokens.push_back({Token::Type::kSign, sign, column});
      i += sign.size();
    } else {
      size_t start = i;
      // "/=2W" and "+=2W" are one word: the "=" of an exact proximity.
      if ((c == '/' || c == '+') && i + 1 < text.size() && text[i + 1] == '=') i += 2;
      while (i < text.size() && IsWordByte(text[i]) && text[i] != '\r' && text[i] != '\n') ++i;
      tokens.push_back({Token::Type::kWord, std::string(text.substr(start, i - start)), column});
    }
  }
  tokens.push_back({Token::Type::kEnd, "", text.size() + 1});
  return true;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 18 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A proximity operator as the translator writes it: "/" (any order) or "+"
// (in order), an optional "=" (exactly), digits, "W".
bool ReadProximityOperator(const std::string& word, QueryNode& node) {
  if (word.size() < 2 || (word[0] != '/' && word[0] != '+')) return false;
  std::string upper = Upper(word);
  if (upper == "/P") {
    node.distance = -1;
    return true;
  }
  if (upper == "/S") {
    node.distance = 20;
    return true;
  }
  size_t i = 1;
  node.ordered = word[0] == '+';
  if (upper[i] == '=') {
    node.exact = true;
    ++i;
  }
  size_t digits = i;
  while (i < upper.size() && upper[i] >= '0' && upper[i] <= '9') ++i;
  if (i + 1 != upper.size() || upper[i] != 'W' || i - digits > 4) return false;
  node.distance = i == digits ? 0 : std::stoi(upper.substr(digits, i - digits));
  return true;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens)
      : tokens_(std::move(tokens)), current_(QueryParser::DefaultFields()) {}

  NodePtr ParseQuestion() {
    NodePtr root = ParseOr();
    if (root && Peek().type != Token::Type::kEnd) {
      Fail(Peek(),
           Peek().type == Token::Type::kClose ? "\")\" without \"(\"" : "expected an operator");
      return nullptr;
    }
    return root;
  }

  const std::string& Error() const { return error_; }

 private:
  const Token& Peek(size_t ahead = 0) const {
    return tokens_[std::min(position_ + ahead, tokens_.size() - 1)];
  }
  const Token& Take() { return tokens_[std::min(position_++, tokens_.size() - 1)]; }

  void Fail(const Token& at, const std::string& message) {
    if (error_.empty()) error_ = "column " + std::to_string(at.column) + ": " + message;
  }

  bool WordIs(const Token& token, std::initializer_list<const char*> words) const {
    if (token.type != Token::Type::kWord) return false;
    std::string upper = Upper(token.text);
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return upper == w; });
  }

  // Counts the operator just read; false (with the error) past the limit.
  bool CountOperator(const Token& op) {
    if (++operators_ <= QueryParser::kMaxOperators) return true;
    Fail(op, "more than " + std::to_string(QueryParser::kMaxOperators) + " operators");
    return false;
  }

  static NodePtr Join(Kind kind, NodePtr left, NodePtr right) {
    auto node = std::make_unique<QueryNode>();
    node->kind = kind;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
  }

  NodePtr ParseOr() {
    NodePtr left = ParseAnd();
    while (left && WordIs(Peek(), {"OR", "ORNOT"})) {
      const Token& op = Take();
      if (!CountOperator(op)) return nullptr;
      Kind kind = Upper(op.text) == "OR" ? Kind::kOr : Kind::kOrNot;
      NodePtr right = ParseAnd();
      if (!right) return nullptr;
      left = Join(kind, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseAnd() {
    NodePtr left = ParseProximity();
    while (left && WordIs(Peek(), {"AND", "NOT", "ANDNOT"})) {
      const Token& op = Take();
      if (!CountOperator(op)) return nullptr;
      Kind kind = Upper(op.text) == "AND" ? Kind::kAnd : Kind::kAndNot;
      NodePtr right = ParseProximity();
      if (!right) return nullptr;
      left = Join(kind, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseProximity() {
    NodePtr left = ParseOperand();
    QueryNode shape;
    while (left && Peek().type == Token::Type::kWord && ReadProximityOperator(Peek().text, shape)) {
      const Token& op = Take();
      if (!CountOperator(op)) return nullptr;
      NodePtr right = ParseOperand();
      if (!right) return nullptr;
      // A chain (a W b W c) keeps the earlier proximity as its left side.
      if ((left->kind != Kind::kProximity && !ProximityOperand(*left)) ||
          !ProximityOperand(*right)) {
        Fail(op, "the operands of a proximity operator must be words or OR groups of words");
        return nullptr;
      }
      NodePtr node = Join(Kind::kProximity, std::move(left), std::move(right));
      node->distance = shape.distance;
      node->ordered = shape.ordered;
      node->exact = shape.exact;
      left = std::move(node);
      shape = QueryNode();
    }
    return left;
  }

  // A word or an OR group of words, walked without recursion.
  static bool ProximityOperand(const QueryNode& node) {
    std::vector<const QueryNode*> pending = {&node};
    while (!pending.empty()) {
      const QueryNode* at = pending.back();
      pending.pop_back();
      if (at->kind == Kind::kOr) {
        pending.push_back(at->left.get());
        pending.push_back(at->right.get());
      } else if (at->kind != Kind::kTerm) {
        return false;
      }
    }
    return true;
  }

  // Field codes followed by "=", a comparison sign or a range make a prefix.
  bool ReadFieldPrefix(std::vector<std::string>& fields) {
    size_t ahead = 0;
    while (Peek(ahead).type == Token::Type::kWord && KtfCode(Peek(ahead).text)) ++ahead;
    if (ahead == 0) return false;
    Token::Type next = Peek(ahead).type;
    if (next != Token::Type::kSign && next != Token::Type::kRange) return false;
    for (size_t i = 0; i < ahead; ++i) {
      const Token& token = Take();
      QueryParser::FieldType type;
      if (!QueryParser::TypeOf(token.text, type)) {
        Fail(token, "unknown field " + token.text);
        return false;
      }
      fields.push_back(token.text);
    }
    return true;
  }

  static bool KtfCode(const std::string& word) {
    if (word.empty() || word[0] < 'A' || word[0] > 'Z') return false;
    return std::all_of(word.begin(), word.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
  }

  NodePtr ParseOperand() {
    if (++depth_ > QueryParser::kMaxDepth) {
      Fail(Peek(), "brackets nested too deep");
      return nullptr;
    }
    NodePtr node = ParseOperandInner();
    --depth_;
    return node;
  }

  NodePtr ParseOperandInner() {
    const Token& token = Peek();
    if (token.type == Token::Type::kOpen) {
      Take();
      return ParseGroup();
    }
    if (WordIs(token, {"NOT"})) {
      if (!CountOperator(Take())) return nullptr;
      NodePtr operand = ParseOperand();
      if (!operand) return nullptr;
      auto all = std::make_unique<QueryNode>();
      all->kind = Kind::kAll;
      return Join(Kind::kAndNot, std::move(all), std::move(operand));
    }
    if (token.type == Token::Type::kWord && token.text == "PRESENCE" &&
        Peek(1).type == Token::Type::kSign && Peek(1).text == "=") {
      Take();
      Take();
      const Token& code = Take();
      QueryParser::FieldType type;
      if (code.type != Token::Type::kWord || !QueryParser::TypeOf(code.text, type)) {
        Fail(code, "PRESENCE= needs a field code");
        return nullptr;
      }
      auto node = std::make_unique<QueryNode>();
      node->kind = Kind::kPresence;
      node->fields = {code.text};
      return node;
    }
    std::vector<std::string> fields;
    if (ReadFieldPrefix(fields)) return ParsePrefixed(std::move(fields));
    if (!error_.empty()) return nullptr;
    if (token.type == Token::Type::kSign || token.type == Token::Type::kRange) {
      // A comparison written without a field compares the current fields.
      return ParseComparison(current_, Peek());
    }
    if (token.type != Token::Type::kWord) {
      Fail(token, token.type == Token::Type::kEnd ? "the question ends where a term is expected"
                                                  : "expected a term");
      return nullptr;
    }
    if (IsOperatorWord(token)) {
      Fail(token, "operator " + token.text + " where a term is expected");
      return nullptr;
    }
    Take();
    if (token.text.size() > 1 && token.text[0] == '$' && AllDigits(token.text.substr(1))) {
      auto node = std::make_unique<QueryNode>();
      node->kind = Kind::kSetRef;
      node->set = static_cast<int>(std::min<long long>(std::stoll(token.text.substr(1)), 1 << 30));
      return node;
    }
    return MakeTerm(current_, token);
  }

  bool IsOperatorWord(const Token& token) {
    QueryNode shape;
    return WordIs(token, {"OR", "AND", "NOT", "ANDNOT", "ORNOT"}) ||
           ReadProximityOperator(token.text, shape);
  }

  NodePtr ParseGroup() {
    NodePtr inner = ParseOr();
    if (!inner) return nullptr;
    if (Peek().type != Token::Type::kClose) {
      Fail(Peek(), "expected \")\"");
      return nullptr;
    }
    Take();
    return inner;
  }

  NodePtr ParsePrefixed(std::vector<std::string> fields) {
    const Token& sign = Peek();
    if (sign.type == Token::Type::kSign && sign.text == "=") {
      current_ = fields;
      const Token& value = Peek(1);
      if (value.type == Token::Type::kRange || IsNumericComparison(fields, value)) {
        return ParseComparison(fields, sign);
      }
      Take();
      if (value.type == Token::Type::kOpen) {
        Take();
        return ParseGroup();
      }
      if (value.type != Token::Type::kWord || IsOperatorWord(value)) {
        Fail(value, "expected a term after \"=\"");
        return nullptr;
      }
      Take();
      return MakeTerm(fields, value);
    }
    current_ = fields;
    return ParseComparison(fields, sign);
  }

  // "PD=2001" on a date field means the year, not the word "2001".
  static bool IsNumericComparison(const std::vector<std::string>& fields, const Token& value) {
    if (value.type != Token::Type::kWord) return false;
    for (const auto& field : fields) {
      QueryParser::FieldType type;
      QueryParser::TypeOf(field, type);
      if (type != QueryParser::FieldType::kDate) return false;
    }
    int64_t low, high;
    return DateBounds(value.text, low, high);
  }

  // Bounds of a date value: YYYY, YYYYMM, YYYYMMDD or Y-M-D.
  static bool DateBounds(const std::string& text, int64_t& low, int64_t& high) {
    if (AllDigits(text) && (text.size() == 4 || text.size() == 6 || text.size() == 8)) {
      int64_t value = std::stoll(text);
      if (text.size() == 4) {
        low = value * 10000 + 101;
        high = value * 10000 + 1231;
      } else if (text.size() == 6) {
        low = value * 100 + 1;
        high = value * 100 + 31;
      } else {
        low = high = value;
      }
      return true;
    }
    int year, month, day, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) == 3 &&
        static_cast<size_t>(used) == text.size() && year >= 0 && month >= 1 && month <= 12 &&
        day >= 1 && day <= 31) {
      low = high = year * 10000LL + month * 100 + day;
      return true;
    }
    return false;
  }

  bool ValueBounds(const std::vector<std::string>& fields, std::string text, const Token& at,
                   int64_t& low, int64_t& high) {
    while (!text.empty() && (text[0] == '=' || text[0] == '<' || text[0] == '>')) text.erase(0, 1);
    bool dates = false;
    for (const auto& field : fields) {
      QueryParser::FieldType type;
      QueryParser::TypeOf(field, type);
      if (type == QueryParser::FieldType::kText) {
        Fail(at, "field " + field + " holds text and cannot be compared");
        return false;
      }
      dates = dates || type == QueryParser::FieldType::kDate;
    }
    if (dates ? DateBounds(text, low, high) : AllDigits(text)) {
      if (!dates) low = high = std::stoll(text);
      return true;
    }
    Fail(at, "\"" + text + "\" is not a " + (dates ? "date" : "number"));
    return false;
  }

  NodePtr ParseComparison(const std::vector<std::string>& fields, const Token& at) {
    auto node = std::make_unique<QueryNode>();
    node->kind = Kind::kCompare;
    node->fields = fields;
    const Token& first = Take();
    if (first.type == Token::Type::kRange) return FinishRange(std::move(node), first);
    std::string sign = first.text;
    const Token& value = Peek();
    if (value.type == Token::Type::kRange && sign == "=") {
      Take();
      return FinishRange(std::move(node), value);
    }
    if (value.type != Token::Type::kWord) {
      Fail(at, "expected a value after \"" + sign + "\"");
      return nullptr;
    }
    Take();
    int64_t low, high;
    if (!ValueBounds(fields, value.text, value, low, high)) return nullptr;
    constexpr int64_t kLowest = INT64_MIN / 2, kHighest = INT64_MAX / 2;
    if (sign == "=" || sign == "<>") {
      node->low = low;
      node->high = high;
      node->negate = sign == "<>";
    } else if (sign == ">=") {
      node->low = low;
      node->high = kHighest;
    } else if (sign == ">") {
      node->low = high + 1;
      node->high = kHighest;
    } else if (sign == "<=") {
      node->low = kLowest;
      node->high = high;
    } else {
      node->low = kLowest;
      node->high = low - 1;
    }
    return node;
  }

  NodePtr FinishRange(NodePtr node, const Token& range) {
    size_t comma = range.text.find(',');
    if (comma == std::string::npos) {
      Fail(range, "a range needs two values: [FROM,TO]");
      return nullptr;
    }
    int64_t low, high, ignored;
    if (!ValueBounds(node->fields, range.text.substr(0, comma), range, low, ignored) ||
        !ValueBounds(node->fields, range.text.substr(comma + 1), range, ignored, high)) {
      return nullptr;
    }
    node->low = low;
    node->high = high;
    return node;
  }

  NodePtr MakeTerm(const std::vector<std::string>& fields, const Token& token) {
    std::string term;
    for (char c : token.text) {
      if (c == '"') continue;
      term += c == '+' ? '*' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (term.empty() || std::all_of(term.begin(), term.end(),
                                    [](char c) { return c == '*' || c == '?' || c == '#'; })) {
      Fail(token, "\"" + token.text + "\" has no letters or digits to search");
      return nullptr;
    }
    if (term[0] == '*') {
      Fail(token, "a word cannot begin with truncation");
      return nullptr;
    }
    auto node = std::make_unique<QueryNode>();
    node->kind = Kind::kTerm;
    node->fields = fields;
    node->term = std::move(term);
    return node;
  }

  std::vector<Token> tokens_;
  size_t position_ = 0;
  int depth_ = 0;
  size_t operators_ = 0;
  std::vector<std::string> current_;  // fields of a term written without prefix
  std::string error_;
};

}  // namespace

const std::vector<std::pair<std::string, QueryParser::FieldType>>& QueryParser::Fields() {
  static const std::vector<std::pair<std::string, FieldType>> fields = {
      {"TI", FieldType::kText},    // title
      {"AB", FieldType::kText},    // abstract
      {"CL", FieldType::kText},    // claims
      {"DE", FieldType::kText},    // description
      {"PA", FieldType::kText},    // applicant
      {"IN", FieldType::kText},    // inventor
      {"RE", FieldType::kText},    // representative
      {"PN", FieldType::kNumber},  // publication number: words, and its number compared
      {"AN", FieldType::kNumber},  // application number
      {"PR", FieldType::kNumber},  // priority number
      {"PD", FieldType::kDate},    // publication date
      {"AD", FieldType::kDate},    // application date
      {"PRD", FieldType::kDate},   // priority date
      {"IC", FieldType::kText},    // international classification
      {"CPC", FieldType::kText},   // cooperative classification
      {"LA", FieldType::kText},    // language
      {"CC", FieldType::kText},    // country code
      {"KD", FieldType::kText},    // kind code
  };
  return fields;
}

bool QueryParser::TypeOf(std::string_view code, FieldType& type) {
  for (const auto& [name, fieldType] : Fields()) {
    if (name == code) {
      type = fieldType;
      return true;
    }
  }
  return false;
}

const std::vector<std::string>& QueryParser::DefaultFields() {
  static const std::vector<std::string> fields = {"TI", "AB", "CL", "DE"};
  return fields;
}

bool QueryParser::Parse(std::string_view question, QueryNode& root, std::string& error) {
  if (question.size() > kMaxQuestionLength) {
    error = "the question is longer than " + std::to_string(kMaxQuestionLength) + " bytes";
    return false;
  }
  if (question.find('\0') != std::string_view::npos) {
    error = "the question holds a NUL byte";
    return false;
  }
  std::vector<Token> tokens;
  if (!Lex(question, tokens, error)) return false;
  if (tokens.size() == 1) {
    error = "the question is empty";
    return false;
  }
  Parser parser(std::move(tokens));
  NodePtr node = parser.ParseQuestion();
  if (!node) {
    error = parser.Error().empty() ? "the question cannot be read" : parser.Error();
    return false;
  }
  root = std::move(*node);
  return true;
}
