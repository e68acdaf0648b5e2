#include "platform/Environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/LastError.h"

namespace {

constexpr char kVariable[] = "SORREL_ENVIRONMENT_TEST";

TEST(GetEnvironmentVariableA, ReportsNeededSizeWhenBufferIsTooSmall) {
  ASSERT_TRUE(SetEnvironmentVariableA(kVariable, "abcd"));
  char buffer[8] = "-------";
  EXPECT_EQ(GetEnvironmentVariableA(kVariable, buffer, 4), 5u);  // no room for the NUL
  EXPECT_STREQ(buffer, "-------");                               // untouched
  EXPECT_EQ(GetEnvironmentVariableA(kVariable, buffer, 5), 4u);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(GetEnvironmentVariableA(kVariable, nullptr, 0), 5u);
}

TEST(GetEnvironmentVariableA, UnsetVariableAnswersZeroWithLastError) {
  ASSERT_TRUE(SetEnvironmentVariableA(kVariable, nullptr));
  char buffer[8];
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetEnvironmentVariableA(kVariable, buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
  EXPECT_EQ(std::getenv(kVariable), nullptr);
}

TEST(SetEnvironmentVariableA, RefusesEmptyNameAndEqualsSign) {
  EXPECT_EQ(SetEnvironmentVariableA("", "x"), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetEnvironmentVariableA("A=B", "x"), 0);
}

TEST(LastError, EachThreadHasItsOwn) {
  SetLastError(ERROR_MOD_NOT_FOUND);
  DWORD seenByOtherThread = 1;
  std::thread([&] { seenByOtherThread = GetLastError(); }).join();
  EXPECT_EQ(seenByOtherThread, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

}  // namespace
