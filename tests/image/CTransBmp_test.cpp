#include "image/CTransBmp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A target: a memory context holding a patterned colour bitmap.
struct Background {
  Background(int width, int height) : width(width), height(height) {
    bitmap.CreateBitmap(width, height, 1, 32, nullptr);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
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
  int width, height;
  CBitmap bitmap;
  CDC dc;
  HGDIOBJ previous;
  std::vector<COLORREF> original;
};

// A 6x4 image: magenta at the top-left and in a few other places, and
// colours next to magenta that must stay opaque.
std::vector<COLORREF> ImagePixels() {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool hole = (x == 0 && y == 0) || x == 3 || (x == 5 && y == 2);
      pixels.push_back(hole ? kMagenta : RGB(250, x * 40, y * 60));
    }
  }
  pixels[1] = RGB(255, 0, 254);  // nearly magenta: opaque
  pixels[7] = RGB(255, 255, 255);
  return pixels;
}

void LoadImage(CTransBmp& image, const std::vector<COLORREF>& pixels) {
  ASSERT_TRUE(image.CreateBitmap(6, 4, 1, 32, nullptr));
  SetBitmapPixels(image, pixels.data());
}

// What drawing the image at (left, top) leaves: the image pixel where it is
// not transparent (or everywhere, for an opaque draw), the background elsewhere.
std::vector<COLORREF> Expected(const Background& background, const std::vector<COLORREF>& image,
                               int left, int top, bool transparent) {
  std::vector<COLORREF> expected = background.original;
  for (int y = 0; y < background.height; ++y) {
    for (int x = 0; x < background.width; ++x) {
      const int ix = x - left, iy = y - top;
      if (ix < 0 || iy < 0 || ix >= 6 || iy >= 4) continue;
      const COLORREF pixel = image[iy * 6 + ix];
      if (!transparent || pixel != kMagenta) expected[y * background.width + x] = pixel;
    }
  }
  return expected;
}

TEST(CTransBmp, DrawTransLeavesTheBackgroundWhereTheImageHasItsCornerColourAndDrawCopiesAll) {
  struct Case {
    int x, y;
    bool transparent;
  } cases[] = {{2, 3, true}, {0, 0, true}, {7, 5, true}, {-2, -1, true}, {3, 2, false}};
  const std::vector<COLORREF> pixels = ImagePixels();
  for (const Case& c : cases) {
    Background background(10, 8);
    CTransBmp image;
    LoadImage(image, pixels);
    if (c.transparent) {
      image.DrawTrans(&background.dc, c.x, c.y);
    } else {
      image.Draw(background.dc.GetSafeHdc(), c.x, c.y);
    }
    EXPECT_EQ(background.Pixels(), Expected(background, pixels, c.x, c.y, c.transparent))
        << c.x << "," << c.y;
  }
}

TEST(CTransBmp, MaskIsBuiltOnceFromTheFirstTransparentDraw) {
  std::vector<COLORREF> pixels = ImagePixels();
  Background background(10, 8);
  CTransBmp image;
  LoadImage(image, pixels);
  image.DrawTrans(&background.dc, 0, 0);
  // A new top-left colour: a mask built again would make only that corner
  // transparent; the kept one still leaves the background wherever magenta was.
  pixels[0] = RGB(9, 9, 9);
  SetBitmapPixels(image, pixels.data());
  Background second(10, 8);
  image.DrawTrans(&second.dc, 4, 4);
  EXPECT_EQ(second.Pixels(), Expected(second, ImagePixels(), 4, 4, true));
}

TEST(CTransBmp, DrawingWithoutATargetOrBitmapDoesNothing) {
  CTransBmp empty;
  EXPECT_EQ(empty.GetWidth(), 0);
  Background background(4, 4);
  empty.Draw(&background.dc, 0, 0);
  empty.DrawTrans(&background.dc, 0, 0);
  EXPECT_EQ(background.Pixels(), background.original);
  CTransBmp image;
  LoadImage(image, ImagePixels());
  EXPECT_EQ(image.GetWidth(), 6);
  EXPECT_EQ(image.GetHeight(), 4);
  image.Draw(static_cast<CDC*>(nullptr), 0, 0);
  image.DrawTrans(static_cast<CDC*>(nullptr), 0, 0);
  image.DrawTrans(&background.dc, 0, 0);  // the mask made on the null call failed; made now
  EXPECT_EQ(background.Pixels(), Expected(background, ImagePixels(), 0, 0, true));
}

}  // namespace
