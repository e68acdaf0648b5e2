#include "session/SessionSets.h"

#include <cctype>

namespace {

constexpr size_t kMostDigits = 9;  // "$n" numbers longer than this are cut

}  // namespace

std::string SessionSets::Translation::Reason() const {
  switch (refusal) {
    case Refusal::kUnknownSet:
      return "set " + std::to_string(set) + " does not exist in this session";
    case Refusal::kErasedSet:
      return "set " + std::to_string(set) + " was erased";
    case Refusal::kNone:
    case Refusal::kRerunFailed:
      break;
  }
  return "";
}

const SessionSets::Set& SessionSets::Add(int serverSet, long hits, const std::string& expression) {
  Set set;
  set.number = static_cast<int>(sets_.size()) + 1;
  set.serverSet = serverSet;
  set.generation = generation_;
  set.hits = hits;
  set.expression = expression;
  sets_.push_back(set);
  return sets_.back();
}

const SessionSets::Set* SessionSets::Latest() const {
  for (auto set = sets_.rbegin(); set != sets_.rend(); ++set) {
    if (!set->erased) return &*set;
  }
  return nullptr;
}

std::vector<int> SessionSets::Erase(bool all, const std::vector<int>& numbers) {
  std::vector<int> erased;
  for (Set& set : sets_) {
    bool chosen = all;
    for (size_t i = 0; i < numbers.size() && !chosen; ++i) chosen = numbers[i] == set.number;
    if (chosen && !set.erased) {
      set.erased = true;
      erased.push_back(set.number);
    }
  }
  return erased;
}

SessionSets::Translation SessionSets::Translate(const std::string& expression, const Rerun& rerun) {
  Translation translation;
  size_t copied = 0;
  for (size_t at = expression.find('$'); at != std::string::npos;
       at = expression.find('$', at + 1)) {
    size_t end = at + 1;
    while (end < expression.size() && end - at <= kMostDigits &&
           std::isdigit(static_cast<unsigned char>(expression[end])))
      ++end;
    if (end == at + 1) continue;
    const size_t number = std::stoul(expression.substr(at + 1, end - at - 1));
    int serverSet = 0;
    translation.refusal = ServerNumber(number, rerun, serverSet);
    if (translation.refusal != Refusal::kNone) {
      translation.set = static_cast<int>(number);
      translation.question.clear();
      return translation;
    }
    translation.question +=
        expression.substr(copied, at - copied) + "$" + std::to_string(serverSet);
    copied = end;
  }
  translation.question += expression.substr(copied);
  return translation;
}

SessionSets::Refusal SessionSets::ServerNumber(size_t number, const Rerun& rerun, int& serverSet) {
  if (number < 1 || number > sets_.size()) return Refusal::kUnknownSet;
  if (sets_[number - 1].erased) return Refusal::kErasedSet;
  // After a new login the server knows none of the earlier sets: the
  // question that made this one runs again (in the session's numbers, so
  // that the sets it names are translated, and run again, in their turn).
  if (sets_[number - 1].generation != generation_) {
    const std::string expression = sets_[number - 1].expression;
    int again = 0;
    if (!rerun(expression, again)) return Refusal::kRerunFailed;
    sets_[number - 1].serverSet = again;
    sets_[number - 1].generation = generation_;
  }
  serverSet = sets_[number - 1].serverSet;
  return Refusal::kNone;
}
