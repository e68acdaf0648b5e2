#include "support/WindowUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ShellExecute.h"
#include "support/Orb.h"
#include "tests/common/ScopedHandler.h"

namespace {

TEST(WindowUtil, SetZBottomMovesWindowDownWithoutMovingOrResizing) {
  CWnd bottom;
  CWnd middle;
  CWnd top;
  ASSERT_TRUE(middle.SetWindowPos(nullptr, 10, 20, 300, 200, SWP_NOZORDER));
  WindowUtil::SetZBottom(&middle);
  WindowUtil::SetZBottom(nullptr);
  EXPECT_EQ(CWnd::GetZOrder(), (std::vector<CWnd*>{&top, &bottom, &middle}));
  RECT rect;
  middle.GetWindowRect(&rect);
  EXPECT_EQ((std::vector<long>{rect.left, rect.top, rect.right, rect.bottom}),
            (std::vector<long>{10, 20, 310, 220}));
}

TEST(Orb, OpensAbsoluteHttpsHomepageShownNormally) {
  std::vector<std::pair<std::string, int>> opened;  // target and show command of each call
  ScopedHandler recorder(SetShellOpenHandler, [&opened](const char* target, int command) {
    opened.emplace_back(target, command);
    return true;
  });
  Orb::OpenSorrelHomepage();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first.rfind("https://", 0), 0u);
  EXPECT_EQ(opened[0].second, SW_SHOWNORMAL);
}

}  // namespace
