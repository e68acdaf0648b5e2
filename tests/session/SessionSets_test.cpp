// The session's set numbers: questions put in the server's numbers, sets of
// an earlier login run again (each once, sets named inside them first),
// erased and unknown sets refused.
#include "session/SessionSets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Refusal = SessionSets::Refusal;

// Stands for the server of the current login: each question run gets the
// next set number; a question naming sets is translated first, as the
// session's exchange does.
class Login {
 public:
  Login(SessionSets& sets, int firstNumber) : sets_(sets), next_(firstNumber) {}

  SessionSets::Rerun Rerun() {
    return [this](const std::string& expression, int& serverSet) {
      const SessionSets::Translation inner = sets_.Translate(expression, Rerun());
      if (inner.refusal != Refusal::kNone || expression == failing) return false;
      ran.push_back(inner.question);
      serverSet = next_++;
      return true;
    };
  }

  std::vector<std::string> ran;  // the questions run, in the server's numbers
  std::string failing;           // an expression whose run fails

 private:
  SessionSets& sets_;
  int next_;
};

SessionSets ThreeSets() {
  SessionSets sets;
  sets.Add(5, 2, "TI AB=pump");
  sets.Add(6, 2, "TI AB=roof");
  sets.Add(7, 3, "$1 OR $2");
  return sets;
}

TEST(SessionSets, QuestionsGoOutInTheServersNumbers) {
  SessionSets sets = ThreeSets();
  Login login(sets, 100);
  const struct {
    const char* expression;
    Refusal refusal;
    const char* question;  // or the refusal's reason
  } kCases[] = {
      {"$1 AND $3", Refusal::kNone, "$5 AND $7"},
      {"$2$1", Refusal::kNone, "$6$5"},
      {"$0002 OR x", Refusal::kNone, "$6 OR x"},
      {"cost $ 5 and $", Refusal::kNone, "cost $ 5 and $"},
      {"no sets", Refusal::kNone, "no sets"},
      {"$1 OR $4", Refusal::kUnknownSet, "set 4 does not exist in this session"},
      {"$0", Refusal::kUnknownSet, "set 0 does not exist in this session"},
      {"$12345678901", Refusal::kUnknownSet, "set 123456789 does not exist in this session"},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.expression);
    const SessionSets::Translation translation = sets.Translate(known.expression, login.Rerun());
    EXPECT_EQ(translation.refusal, known.refusal);
    EXPECT_EQ(known.refusal == Refusal::kNone ? translation.question : translation.Reason(),
              known.question);
  }
  EXPECT_TRUE(login.ran.empty()) << "sets of the current login are not run again";
}

TEST(SessionSets, ErasedSetsLeaveTheHistoryAndAreRefused) {
  SessionSets sets = ThreeSets();
  EXPECT_EQ(sets.Erase(false, {2, 9}), std::vector<int>{2});
  EXPECT_EQ(sets.Erase(false, {2}), std::vector<int>{}) << "erased once only";
  ASSERT_NE(sets.Latest(), nullptr);
  EXPECT_EQ(sets.Latest()->number, 3);

  Login login(sets, 100);
  const SessionSets::Translation translation = sets.Translate("$3 AND $2", login.Rerun());
  EXPECT_EQ(translation.refusal, Refusal::kErasedSet);
  EXPECT_EQ(translation.Reason(), "set 2 was erased");

  EXPECT_EQ(sets.Erase(true, {}), (std::vector<int>{1, 3}));
  EXPECT_EQ(sets.Latest(), nullptr);
  EXPECT_EQ(sets.sets().size(), 3u) << "erased sets keep their numbers";
  EXPECT_EQ(sets.Add(8, 1, "x").number, 4);
}

TEST(SessionSets, ANewLoginRunsEachNamedSetAgainOnceInnerSetsFirst) {
  SessionSets sets = ThreeSets();
  sets.NewLogin();
  Login login(sets, 10);
  // Set 3 names sets 1 and 2: they run first, and set 3 runs in their new
  // numbers; its rerun is handed the session's form, translated once.
  const SessionSets::Translation first = sets.Translate("$3 AND $1", login.Rerun());
  ASSERT_EQ(first.refusal, Refusal::kNone);
  EXPECT_EQ(login.ran, (std::vector<std::string>{"TI AB=pump", "TI AB=roof", "$10 OR $11"}));
  EXPECT_EQ(first.question, "$12 AND $10");
  for (const SessionSets::Set& set : sets.sets()) EXPECT_EQ(set.generation, 1);

  const SessionSets::Translation again = sets.Translate("$2", login.Rerun());
  EXPECT_EQ(again.question, "$11");
  EXPECT_EQ(login.ran.size(), 3u) << "nothing runs twice in one login";
}

TEST(SessionSets, ARerunThatFailsLeavesTheSetToRunAgainLater) {
  SessionSets sets = ThreeSets();
  sets.NewLogin();
  Login login(sets, 40);
  login.failing = "TI AB=roof";
  const SessionSets::Translation failed = sets.Translate("$3", login.Rerun());
  EXPECT_EQ(failed.refusal, Refusal::kRerunFailed);
  EXPECT_EQ(failed.Reason(), "") << "the run that failed has said why";
  EXPECT_EQ(sets.sets()[0].generation, 1) << "set 1 ran before the failure";
  EXPECT_EQ(sets.sets()[2].generation, 0);

  login.failing.clear();
  const SessionSets::Translation later = sets.Translate("$3", login.Rerun());
  EXPECT_EQ(later.question, "$42");
  EXPECT_EQ(login.ran, (std::vector<std::string>{"TI AB=pump", "TI AB=roof", "$40 OR $41"}));
}

}  // namespace
