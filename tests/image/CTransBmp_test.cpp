#include "image/CTransBmp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr int kWidth = 10, kHeight = 8;  // the target's; the image is 6x4

// A 6x4 image: magenta at the top-left and in a few other places, and
// colours next to magenta that must stay opaque.
std::vector<COLORREF> ImagePixels() {
  std::vector<COLORREF> pixels;
  for (int i = 0; i < 24; ++i) {
    const bool hole = i == 0 || i % 6 == 3 || i == 17;
    pixels.push_back(hole ? kMagenta : RGB(250, i % 6 * 40, i / 6 * 60));
  }
  pixels[1] = RGB(255, 0, 254);  // nearly magenta: opaque
  pixels[7] = RGB(255, 255, 255);
  return pixels;
}

void LoadImage(CTransBmp& image, const std::vector<COLORREF>& pixels) {
  ASSERT_TRUE(image.CreateBitmap(6, 4, 1, 32, nullptr));
  SetBitmapPixels(image, pixels.data());
}

// A target: a memory context holding a patterned colour bitmap.
struct Background {
  Background() {
    bitmap.CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const int x = i % kWidth, y = i / kWidth;
      original.push_back((x + y) % 2 ? RGB(0, 128, 0) : RGB(x, y, 7));
    }
    SetBitmapPixels(bitmap, original.data());
    dc.CreateCompatibleDC(nullptr);
    previous = dc.SelectObject(bitmap);
  }
  ~Background() { dc.SelectObject(previous); }
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> pixels(original.size());
    GetBitmapPixels(bitmap, pixels.data());
    return pixels;
  }
  // What drawing `image` at (left, top) leaves: the image pixel where it is
  // not magenta (or everywhere, for an opaque draw), the background elsewhere.
  std::vector<COLORREF> After(const std::vector<COLORREF>& image, int left, int top,
                              bool transparent = true) const {
    std::vector<COLORREF> expected = original;
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const int ix = i % kWidth - left, iy = i / kWidth - top;
      if (ix < 0 || iy < 0 || ix >= 6 || iy >= 4) continue;
      if (!transparent || image[iy * 6 + ix] != kMagenta) expected[i] = image[iy * 6 + ix];
    }
    return expected;
  }
  CBitmap bitmap;
  CDC dc;
  HGDIOBJ previous;
  std::vector<COLORREF> original;
};

TEST(CTransBmp, DrawTransLeavesTheBackgroundWhereTheImageHasItsCornerColourAndDrawCopiesAll) {
  struct Case {
    int x, y;
    bool transparent;
  } cases[] = {{2, 3, true}, {0, 0, true}, {7, 5, true}, {-2, -1, true}, {3, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    Background background;
    CTransBmp image;
    LoadImage(image, ImagePixels());
    c.transparent ? image.DrawTrans(&background.dc, c.x, c.y)
                  : image.Draw(background.dc.GetSafeHdc(), c.x, c.y);
    EXPECT_EQ(background.Pixels(), background.After(ImagePixels(), c.x, c.y, c.transparent));
  }
}

TEST(CTransBmp, MaskIsBuiltOnceFromTheFirstTransparentDrawOnATarget) {
  CTransBmp empty;
  Background background;
  empty.Draw(&background.dc, 0, 0);
  empty.DrawTrans(&background.dc, 0, 0);
  EXPECT_EQ(background.Pixels(), background.original);

  std::vector<COLORREF> pixels = ImagePixels();
  CTransBmp image;
  LoadImage(image, pixels);
  image.Draw(static_cast<CDC*>(nullptr), 0, 0);
  image.DrawTrans(static_cast<CDC*>(nullptr), 0, 0);  // no mask can be made here
  image.DrawTrans(&background.dc, 0, 0);
  EXPECT_EQ(background.Pixels(), background.After(pixels, 0, 0));
  // A new top-left colour: a mask built again would make only that corner
  // transparent; the kept one still leaves the background wherever magenta was.
  pixels[0] = RGB(9, 9, 9);
  SetBitmapPixels(image, pixels.data());
  Background second;
  image.DrawTrans(&second.dc, 4, 4);
  EXPECT_EQ(second.Pixels(), second.After(ImagePixels(), 4, 4));
}

}  // namespace
