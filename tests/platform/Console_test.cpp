#include "platform/Console.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(Console, TitleSequenceCannotBeBrokenByControlCharacters) {
  EXPECT_EQ(ConsoleTitleSequence("Kernel log"), "\x1b]0;Kernel log\a");
  EXPECT_EQ(ConsoleTitleSequence("a\x1b]0;evil\a\x7f"
                                 "b"),
            "\x1b]0;a]0;evilb\a");
  EXPECT_EQ(ConsoleTitleSequence(nullptr), "\x1b]0;\a");
}

TEST(Console, TitleIsNotWrittenWithoutATerminal) {
  if (isatty(STDOUT_FILENO)) GTEST_SKIP() << "standard output is a terminal here";
  EXPECT_EQ(SetConsoleTitleA("x"), 0);
}

}  // namespace
