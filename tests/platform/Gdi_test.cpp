#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/CBitmap.h"
#include "platform/CDC.h"
#include "platform/CStatic.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

std::vector<COLORREF> Pixels(HBITMAP bitmap) {
  BITMAP info;
  if (GetObject(bitmap, sizeof info, &info) == 0) return {};
  std::vector<COLORREF> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
  GetBitmapPixels(bitmap, pixels.data());
  return pixels;
}

// A memory context holding a fresh bitmap with the given pixels.
struct Canvas {
  Canvas(int width, int height, UINT bits, const std::vector<COLORREF>& pixels) {
    bitmap.CreateBitmap(width, height, 1, bits, nullptr);
    SetBitmapPixels(bitmap, pixels.data());
    dc.CreateCompatibleDC(nullptr);
    previous = dc.SelectObject(bitmap);
  }
  ~Canvas() { dc.SelectObject(previous); }
  CBitmap bitmap;
  CDC dc;
  HGDIOBJ previous;
};

TEST(Gdi, RasterOperationsCombineColourPixels) {
  const std::vector<COLORREF> source = {RGB(0x0F, 0xF0, 0x33), RGB(0xFF, 0x00, 0x81)};
  const std::vector<COLORREF> target = {RGB(0x3C, 0x3C, 0xFF), RGB(0x01, 0x02, 0x03)};
  struct Case {
    DWORD rop;
    COLORREF (*combine)(COLORREF, COLORREF);
  } cases[] = {
      {SRCCOPY, [](COLORREF, COLORREF s) { return s; }},
      {SRCAND, [](COLORREF d, COLORREF s) { return d & s; }},
      {SRCINVERT, [](COLORREF d, COLORREF s) { return d ^ s; }},
  };
  for (const Case& c : cases) {
    Canvas from(2, 1, 32, source);
    Canvas to(2, 1, 32, target);
    ASSERT_TRUE(BitBlt(to.dc, 0, 0, 2, 1, from.dc, 0, 0, c.rop));
    EXPECT_EQ(Pixels(to.bitmap), (std::vector<COLORREF>{c.combine(target[0], source[0]),
                                                        c.combine(target[1], source[1])}))
        << std::hex << c.rop;
  }
  Canvas from(2, 1, 32, source);
  Canvas to(2, 1, 32, target);
  EXPECT_FALSE(BitBlt(to.dc, 0, 0, 2, 1, from.dc, 0, 0, 0x00EE0086));  // SRCPAINT: not offered
  EXPECT_EQ(Pixels(to.bitmap), target);
}

TEST(Gdi, ColourToMonochromeMakesTheSourceBackgroundWhite) {
  const COLORREF magenta = RGB(255, 0, 255);
  Canvas colour(4, 1, 32, {magenta, kWhite, RGB(255, 0, 254), magenta});
  Canvas mono(4, 1, 1, {kBlack, kBlack, kBlack, kBlack});
  SetBkColor(colour.dc, magenta);
  ASSERT_TRUE(BitBlt(mono.dc, 0, 0, 4, 1, colour.dc, 0, 0, SRCCOPY));
  // White itself is not the background colour, so it turns black.
  EXPECT_EQ(Pixels(mono.bitmap), (std::vector<COLORREF>{kWhite, kBlack, kBlack, kWhite}));
}

TEST(Gdi, MonochromeToColourTakesTheTargetsBackgroundAndTextColours) {
  Canvas mono(2, 1, 1, {kWhite, kBlack});
  Canvas colour(2, 1, 32, {0, 0});
  SetBkColor(colour.dc, RGB(1, 2, 3));
  SetTextColor(colour.dc, RGB(4, 5, 6));
  ASSERT_TRUE(BitBlt(colour.dc, 0, 0, 2, 1, mono.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(Pixels(colour.bitmap), (std::vector<COLORREF>{RGB(1, 2, 3), RGB(4, 5, 6)}));
}

TEST(Gdi, BlitsAreClippedToBothBitmaps) {
  const COLORREF a = RGB(1, 1, 1), b = RGB(2, 2, 2), c = RGB(3, 3, 3), d = RGB(4, 4, 4);
  Canvas from(2, 2, 32, {a, b, c, d});
  Canvas to(3, 3, 32, std::vector<COLORREF>(9, kWhite));
  // Two columns and rows would reach past the target's corner; the source
  // rectangle starts one pixel before the source.
  ASSERT_TRUE(BitBlt(to.dc, 2, 2, 2, 2, from.dc, 0, 0, SRCCOPY));
  ASSERT_TRUE(BitBlt(to.dc, 0, 0, 2, 2, from.dc, -1, 0, SRCCOPY));
  ASSERT_TRUE(BitBlt(to.dc, 0, 0, 5, 5, from.dc, 100000, -2147483647, SRCCOPY));
  EXPECT_EQ(Pixels(to.bitmap), (std::vector<COLORREF>{kWhite, a, kWhite,  //
                                                      kWhite, c, kWhite,  //
                                                      kWhite, kWhite, a}));
}

TEST(Gdi, HandlesAreCheckedAndSelectedBitmapsProtected) {
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(CreateBitmap(2, 2, 1, 8, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(0, 2, 1, 32, nullptr), nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HDC other = CreateCompatibleDC(dc);
  HGDIOBJ stock = SelectObject(dc, bitmap);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr);  // already in dc
  EXPECT_FALSE(DeleteObject(bitmap));               // selected
  EXPECT_EQ(SelectObject(dc, stock), bitmap);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));  // dead now
  EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_EQ(GetPixel(other, 0, 0), CLR_INVALID);
  EXPECT_FALSE(BitBlt(other, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(Gdi, CreateBitmapReadsWindowsRowLayout) {
  // 1 bit: rows padded to 16 bits, 1 is white. 32 bits: 0x00RRGGBB words.
  const unsigned char monoBits[] = {0xA0, 0x00, 0x40, 0x00};
  CBitmap mono;
  ASSERT_TRUE(mono.CreateBitmap(3, 2, 1, 1, monoBits));
  EXPECT_EQ(Pixels(mono), (std::vector<COLORREF>{kWhite, kBlack, kWhite, kBlack, kWhite, kBlack}));
  const unsigned char colourBits[] = {0x30, 0x20, 0x10, 0x00};
  CBitmap colour;
  ASSERT_TRUE(colour.CreateBitmap(1, 1, 1, 32, colourBits));
  EXPECT_EQ(Pixels(colour), std::vector<COLORREF>{RGB(0x10, 0x20, 0x30)});
  BITMAP info;
  ASSERT_EQ(mono.GetBitmap(&info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidthBytes, 2);
  EXPECT_EQ(info.bmBitsPixel, 1);
}

TEST(Gdi, BitmapResourcesLoadAsCopiesOwnedByTheCaller) {
  CBitmap original;
  ASSERT_TRUE(original.CreateBitmap(1, 1, 1, 32, nullptr));
  const COLORREF red = RGB(255, 0, 0);
  SetBitmapPixels(original, &red);
  ASSERT_TRUE(RegisterBitmapResource(7001, original));
  original.DeleteObject();

  CBitmap first, second;
  ASSERT_TRUE(first.LoadBitmap(7001));
  ASSERT_TRUE(second.LoadBitmap(7001));
  EXPECT_NE(first.GetSafeHandle(), second.GetSafeHandle());
  EXPECT_EQ(Pixels(second), std::vector<COLORREF>{red});
  EXPECT_FALSE(first.LoadBitmap(7001));  // already holds one
  UnregisterBitmapResource(7001);
  CBitmap third;
  EXPECT_FALSE(third.LoadBitmap(7001));
  EXPECT_EQ(Pixels(first), std::vector<COLORREF>{red});
}

TEST(CStatic, ShowsTheBitmapOfTheSetImageMessage) {
  CStatic control;
  HBITMAP a = CreateBitmap(1, 1, 1, 32, nullptr);
  EXPECT_EQ(control.SetBitmap(a), nullptr);
  EXPECT_EQ(control.SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(a));
  EXPECT_EQ(control.SetBitmap(nullptr), a);
  EXPECT_EQ(control.GetBitmap(), nullptr);
  DeleteObject(a);
}

}  // namespace
