#include "platform/CWaitCursor.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CWinApp.h"
#include "tests/common/ScopedHandler.h"

namespace {

TEST(CWaitCursor, ShowsForItsLifetimeAndThroughTheApplication) {
  std::string events;
  {
    ScopedHandler recorder(SetWaitCursorHandler,
                           [&events](bool show) { events += show ? '+' : '-'; });
    {
      CWaitCursor wait;
      wait.Restore();
    }
    CWinApp app("test");
    app.BeginWaitCursor();
    app.EndWaitCursor();
  }
  EXPECT_EQ(events, "++-+-");
}

}  // namespace
