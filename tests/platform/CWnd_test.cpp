#include "platform/CWnd.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/MessageQueue.h"

namespace {

TEST(CWnd, NewWindowsOpenOnTopAndLeaveTheOrderWhenDestroyed) {
  CWnd first;
  std::vector<CWnd*> order;
  {
    CWnd second;
    order = CWnd::GetZOrder();
    EXPECT_EQ(order, (std::vector<CWnd*>{&second, &first}));
  }
  EXPECT_EQ(CWnd::GetZOrder(), (std::vector<CWnd*>{&first}));
}

TEST(CWnd, SetWindowPosPlacesBelowAnotherWindowOrAtTheEnds) {
  CWnd a;
  CWnd b;
  CWnd c;  // order: c b a
  ASSERT_TRUE(c.SetWindowPos(&a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(CWnd::GetZOrder(), (std::vector<CWnd*>{&b, &a, &c}));
  ASSERT_TRUE(a.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(CWnd::GetZOrder(), (std::vector<CWnd*>{&a, &b, &c}));
  ASSERT_TRUE(a.SetWindowPos(&CWnd::wndBottom, 5, 6, 0, 0, SWP_NOSIZE));
  EXPECT_EQ(CWnd::GetZOrder(), (std::vector<CWnd*>{&b, &c, &a}));
  RECT rect;
  a.GetWindowRect(&rect);
  EXPECT_EQ(rect.left, 5);
  EXPECT_EQ(rect.top, 6);
  EXPECT_EQ(rect.right, 5);  // no size given yet
}

class CountingWindow : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    return static_cast<LRESULT>(wParam) + lParam;
  }
  std::vector<UINT> seen;
};

TEST(MessageQueue, PeekFiltersByWindowAndRangeAndRemovesOnlyWhenAsked) {
  CountingWindow a;
  CountingWindow b;
  a.PostMessage(WM_USER + 1, 2, 3);
  b.PostMessage(WM_USER + 2);
  a.PostMessage(WM_USER + 3);
  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, &b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, &a);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(DispatchMessage(&msg), 5);  // the window's answer comes back
  EXPECT_EQ(a.seen, (std::vector<UINT>{WM_USER + 1}));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, PostFromAnotherThreadReachesTheWindowsThread) {
  CountingWindow window;
  std::thread([&window] { window.PostMessage(WM_USER + 7); }).join();
  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessage(&msg);
  EXPECT_EQ(window.seen, (std::vector<UINT>{WM_USER + 7}));
}

}  // namespace
