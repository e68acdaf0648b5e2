#include "platform/CWaitCursor.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CWinApp.h"

namespace {

TEST(CWaitCursor, ShowsForItsLifetimeAndThroughTheApplication) {
  std::string events;
  WaitCursorHandler previous =
      SetWaitCursorHandler([&events](bool show) { events += show ? '+' : '-'; });
  {
    CWaitCursor wait;
    wait.Restore();
  }
  CWinApp app("test");
  app.BeginWaitCursor();
  app.EndWaitCursor();
  SetWaitCursorHandler(previous);
  EXPECT_EQ(events, "++-+-");
}

}  // namespace
