#include "support/SystemUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CWnd.h"
#include "platform/MessageQueue.h"

namespace {

constexpr char kVariable[] = "SORREL_SYSTEMUTIL_TEST";

TEST(SystemUtilEnvironment, ReturnsWholeValueOfAnyLength) {
  // Lengths around the first read's 4096-byte buffer.
  for (int length : {0, 1, 4095, 4096, 4097, 20000}) {
    const std::string value(static_cast<size_t>(length), 'v');
    ASSERT_TRUE(SystemUtil::SetEnvironmentVariableA(kVariable, value.c_str()));
    EXPECT_EQ(SystemUtil::GetEnvironmentVariableA(kVariable).str(), value) << length;
  }
  unsetenv(kVariable);
}

// Records the messages it handles; on the first one it posts a follow-up.
class RecordingWindow : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM) override {
    handled.push_back(message);
    if (wParam == 1) PostMessage(WM_USER + 99);
    return 0;
  }
  std::vector<UINT> handled;
};

TEST(SystemUtilDispatchMessages, DrainsTheQueueIncludingMessagesPostedMeanwhile) {
  RecordingWindow first;
  RecordingWindow second;
  {
    RecordingWindow doomed;
    doomed.PostMessage(WM_USER);  // its window is gone by dispatch time: dropped
  }
  first.PostMessage(WM_USER + 1, 1);
  ::PostMessage(nullptr, WM_USER + 2, 0, 0);  // for the thread: removed, not dispatched
  second.PostMessage(WM_USER + 3);
  first.PostMessage(WM_USER + 4);
  SystemUtil::DispatchMessages();
  EXPECT_EQ(first.handled, (std::vector<UINT>{WM_USER + 1, WM_USER + 4, WM_USER + 99}));
  EXPECT_EQ(second.handled, (std::vector<UINT>{WM_USER + 3}));
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

}  // namespace
