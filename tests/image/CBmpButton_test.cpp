#include "image/CBmpButton.h"

#include <gtest/gtest.h>

#include "platform/MessageQueue.h"

namespace {

constexpr COLORREF kNormal = RGB(10, 10, 10);
constexpr COLORREF kHover = RGB(20, 20, 20);
constexpr COLORREF kPressed = RGB(30, 30, 30);

// Registers one-pixel bitmap resources 501, 502 and 503 in the three colours.
class CBmpButtonTest : public testing::Test {
 protected:
  void SetUp() override {
    const COLORREF colours[] = {kNormal, kHover, kPressed};
    for (UINT i = 0; i < 3; ++i) {
      HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
      SetBitmapPixels(bitmap, &colours[i]);
      RegisterBitmapResource(501 + i, bitmap);
      DeleteObject(bitmap);
    }
  }
  void TearDown() override {
    for (UINT id = 501; id <= 503; ++id) UnregisterBitmapResource(id);
  }

  // The colour of the bitmap the control shows; CLR_INVALID for none.
  static COLORREF Shown(const CBmpButton& button) {
    COLORREF colour = CLR_INVALID;
    if (button.GetBitmap() != nullptr) GetBitmapPixels(button.GetBitmap(), &colour);
    return colour;
  }

  // Posts a mouse message and drains the queue as the client's loop would.
  static COLORREF ShownAfter(CBmpButton& button, UINT message) {
    button.PostMessage(message, 0, (5 << 16) | 3);
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    return Shown(button);
  }
};

TEST_F(CBmpButtonTest, ShowsTheImageOfEachMouseState) {
  CBmpButton button;
  ASSERT_TRUE(button.LoadButtonBitmaps(501, 502, 503));
  EXPECT_EQ(Shown(button), CLR_INVALID);
  button.ResetButton();
  EXPECT_EQ(Shown(button), kNormal);
  EXPECT_EQ(ShownAfter(button, WM_MOUSEMOVE), kHover);
  EXPECT_EQ(ShownAfter(button, WM_LBUTTONDOWN), kPressed);
  EXPECT_EQ(ShownAfter(button, WM_LBUTTONUP), kHover);  // released without leaving
  button.ResetButton();
  EXPECT_EQ(Shown(button), kNormal);
}

TEST_F(CBmpButtonTest, LoadingSucceedsOnlyWhenEveryRequestedBitmapLoads) {
  struct Case {
    int normal, hover, pressed;
    bool loaded;
  } cases[] = {
      {501, 502, 503, true},  {501, -1, 503, true}, {501, 599, 503, false},
      {501, 502, 599, false}, {599, -1, -1, false}, {-1, 502, 503, false},
  };
  for (const Case& c : cases) {
    CBmpButton button;
    EXPECT_EQ(button.LoadButtonBitmaps(c.normal, c.hover, c.pressed) != 0, c.loaded)
        << c.normal << " " << c.hover << " " << c.pressed;
  }
}

TEST_F(CBmpButtonTest, ReloadingReplacesTheImagesAndNegativeIdsShowTheNormalOne) {
  CBmpButton button;
  ASSERT_TRUE(button.LoadButtonBitmaps(501, 502, 503));
  button.ResetButton();
  ASSERT_TRUE(button.LoadButtonBitmaps(503, -1, -1));
  EXPECT_EQ(button.GetBitmap(), nullptr);  // the replaced bitmap is no longer shown
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE}) {
    EXPECT_EQ(ShownAfter(button, message), kPressed) << message;
  }
  button.ResetButton();
  EXPECT_EQ(Shown(button), kPressed);
}

}  // namespace
