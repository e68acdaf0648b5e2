#include "image/CBmpButton.h"

#include <gtest/gtest.h>

#include "platform/MessageQueue.h"

namespace {

constexpr COLORREF kNormal = RGB(10, 10, 10), kHover = RGB(20, 20, 20), kPressed = RGB(30, 30, 30);
constexpr COLORREF kNone = CLR_INVALID;  // no bitmap shown

// The colour of the bitmap the control shows; kNone for none.
COLORREF Shown(const CBmpButton& button) {
  COLORREF colour = kNone;
  if (button.GetBitmap() != nullptr) GetBitmapPixels(button.GetBitmap(), &colour);
  return colour;
}

// Posts a mouse message and drains the queue as the client's loop would.
COLORREF ShownAfter(CBmpButton& button, UINT message) {
  button.PostMessage(message, 0, (5 << 16) | 3);
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
  return Shown(button);
}

// One button reloaded case after case, so each load must also stop showing
// the bitmaps it replaces. Resources 501, 502 and 503 are one-pixel bitmaps
// in the normal, hover and pressed colours; 599 does not exist.
TEST(CBmpButton, ShowsTheImageOfEachMouseStateAndLoadsOnlyWhenEveryBitmapLoads) {
  const COLORREF colours[] = {kNormal, kHover, kPressed};
  for (UINT i = 0; i < 3; ++i) {
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    SetBitmapPixels(bitmap, &colours[i]);
    RegisterBitmapResource(501 + i, bitmap);
    DeleteObject(bitmap);
  }
  struct Case {
    int normal, hover, pressed;
    COLORREF atRest, moved, down;  // shown after ResetButton, a move, a press
  } cases[] = {
      {501, 502, 503, kNormal, kHover, kPressed},
      {503, -1, -1, kPressed, kPressed, kPressed},  // negative: the normal image
      {501, -1, 503, kNormal, kNormal, kPressed},
  };
  CBmpButton button;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.normal << " " << c.hover << " " << c.pressed);
    EXPECT_TRUE(button.LoadButtonBitmaps(c.normal, c.hover, c.pressed));
    EXPECT_EQ(Shown(button), kNone);  // loading shows nothing by itself
    button.ResetButton();
    EXPECT_EQ(Shown(button), c.atRest);
    EXPECT_EQ(ShownAfter(button, WM_MOUSEMOVE), c.moved);
    EXPECT_EQ(ShownAfter(button, WM_LBUTTONDOWN), c.down);
    EXPECT_EQ(ShownAfter(button, WM_LBUTTONUP), c.moved);  // released without leaving
    button.ResetButton();
    EXPECT_EQ(Shown(button), c.atRest);
  }
  // Every bitmap asked for must load, the normal one always.
  const int refused[][3] = {{501, 599, 503}, {501, 502, 599}, {599, -1, -1}, {-1, 502, 503}};
  for (const auto& ids : refused) {
    EXPECT_FALSE(button.LoadButtonBitmaps(ids[0], ids[1], ids[2]))
        << ids[0] << " " << ids[1] << " " << ids[2];
    EXPECT_EQ(Shown(button), kNone);
  }
  for (UINT id = 501; id <= 503; ++id) UnregisterBitmapResource(id);
}

}  // namespace
