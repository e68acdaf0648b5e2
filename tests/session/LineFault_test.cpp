// Where the translator's refusal of a line lies, with the bundled criteria.
#include "session/LineFault.h"

#include <gtest/gtest.h>

#include <string>

#include "session/BundledFiles.h"
#include "session/CriteriaProfile.h"

namespace {

TEST(LineFault, NamesTheFirstWordNoEndingRescues) {
  VERGER_CONFIG config;
  std::string error;
  ASSERT_TRUE(LoadCriteriaProfile(BundledFile("criteria.ini"), config, error)) << error;
  const std::string huge(70000, 'a');
  const struct {
    std::string line;
    size_t column;
    std::string word;
  } kCases[] = {
      {"solar AND AND pump", 10, "AND"},
      {"solar (cell OR panel)", 6, "(cell"},
      {"pump OR roof/XX AND valve", 8, "roof/XX"},
      {"..PR 5-3", 5, "5-3"},
      {"..BOGUS 1", 0, "..BOGUS"},
      {"pump AND", 8, ""},        // an ending would do: the line stops short
      {"(pump OR roof", 13, ""},  // only the bracket is missing
      {"pump " + huge, 5, huge},
  };
  for (const auto& known : kCases) {
    SCOPED_TRACE(known.line.substr(0, 40));
    const LineFault fault = LineFault::Locate(known.line, config);
    EXPECT_EQ(fault.column, known.column);
    EXPECT_EQ(fault.word, known.word);
  }
}

}  // namespace
