#include "server/QueryNode.h"

namespace {

std::string FieldList(const std::vector<std::string>& fields) {
  std::string text;
  for (const auto& field : fields) {
    if (!text.empty()) text += ' ';
    text += field;
  }
  return text;
}

}  // namespace

std::string QueryNode::ToString() const {
  switch (kind) {
    case Kind::kTerm:
      return FieldList(fields) + "=" + term;
    case Kind::kCompare:
      return FieldList(fields) + (negate ? "<>[" : "=[") + std::to_string(low) + "," +
             std::to_string(high) + "]";
    case Kind::kPresence:
      return "PRESENCE=" + FieldList(fields);
    case Kind::kSetRef:
      return "$" + std::to_string(set);
    case Kind::kAll:
      return "ALL";
    case Kind::kAnd:
      return "(" + left->ToString() + " AND " + right->ToString() + ")";
    case Kind::kOr:
      return "(" + left->ToString() + " OR " + right->ToString() + ")";
    case Kind::kAndNot:
      return "(" + left->ToString() + " ANDNOT " + right->ToString() + ")";
    case Kind::kOrNot:
      return "(" + left->ToString() + " ORNOT " + right->ToString() + ")";
    case Kind::kProximity: {
      std::string op = ordered ? "+" : "/";
      if (exact) op += "=";
      op += distance < 0 ? std::string("P") : std::to_string(distance) + "W";
      return "(" + left->ToString() + " " + op + " " + right->ToString() + ")";
    }
  }
  return {};
}
