#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/CTransBmp.h"
#include "platform/CDC.h"
#include "platform/Gdi.h"
#include "tools/CommandRegistry.h"
#include "tools/OutputFile.h"
#include "tools/PictureFile.h"

namespace {

// The resource id under which the picture to draw is registered.
constexpr UINT kImageResource = 1;

struct DrawOptions {
  std::string image;       // PNG picture to draw
  std::string background;  // PNG picture to draw on
  std::string out;         // PNG result
  bool transparent = false;
  int x = 0;
  int y = 0;
};

// A colour bitmap holding the picture; null when GDI refuses its size.
HBITMAP ToBitmap(const RgbImage& picture) {
  HBITMAP bitmap = CreateBitmap(static_cast<int>(picture.width), static_cast<int>(picture.height),
                                1, 32, nullptr);
  if (bitmap == nullptr) return nullptr;
  std::vector<COLORREF> pixels(size_t{picture.width} * picture.height);
  for (size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = RGB(picture.rgb[i * 3], picture.rgb[i * 3 + 1], picture.rgb[i * 3 + 2]);
  }
  SetBitmapPixels(bitmap, pixels.data());
  return bitmap;
}

int Draw(const DrawOptions& options) {
  RgbImage image, background;
  std::string error;
  if (!ReadPicture(options.image, &image, &error) ||
      !ReadPicture(options.background, &background, &error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  HBITMAP imageBitmap = ToBitmap(image);
  CBitmap target;
  if (imageBitmap == nullptr || !target.Attach(ToBitmap(background))) {
    if (imageBitmap != nullptr) DeleteObject(imageBitmap);
    std::fprintf(stderr, "sorrel: the pictures are too large\n");
    return 1;
  }
  // The picture reaches CTransBmp as the client's would: as a bitmap resource.
  RegisterBitmapResource(kImageResource, imageBitmap);
  DeleteObject(imageBitmap);
  CTransBmp bitmap;
  const bool loaded = bitmap.LoadBitmap(kImageResource);
  UnregisterBitmapResource(kImageResource);
  if (!loaded) {
    std::fprintf(stderr, "sorrel: cannot load the picture as a bitmap\n");
    return 1;
  }

  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  HGDIOBJ previous = dc.SelectObject(target);
  if (options.transparent) {
    bitmap.DrawTrans(&dc, options.x, options.y);
  } else {
    bitmap.Draw(&dc, options.x, options.y);
  }
  dc.SelectObject(previous);

  std::vector<COLORREF> pixels(size_t{background.width} * background.height);
  GetBitmapPixels(target, pixels.data());
  for (size_t i = 0; i < pixels.size(); ++i) {
    background.rgb[i * 3] = GetRValue(pixels[i]);
    background.rgb[i * 3 + 1] = GetGValue(pixels[i]);
    background.rgb[i * 3 + 2] = GetBValue(pixels[i]);
  }
  OutputFile out(options.out);
  if (!out.Open(&error) || !WritePng(out.temporaryPath(), background, &error) ||
      !out.Commit(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", options.out.c_str());
  return 0;
}

// sorrel bitmap draw IMAGE BACKGROUND OUT.png [--trans] [--x X --y Y]: draws
// a picture onto another with CTransBmp, opaque or with the colour of its
// top-left pixel transparent, so that the result can be looked at.
const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* bitmap = app.add_subcommand("bitmap", "Draw bitmaps as the library's windows do");
  bitmap->require_subcommand(1);
  auto options = std::make_shared<DrawOptions>();
  CLI::App* draw = bitmap->add_subcommand(
      "draw", "Draw the PNG picture IMAGE onto BACKGROUND and write the result as a PNG");
  draw->add_option("IMAGE", options->image, "PNG picture to draw")->required();
  draw->add_option("BACKGROUND", options->background, "PNG picture to draw on")->required();
  draw->add_option("OUT", options->out, "PNG file to write")->required();
  draw->add_flag("--trans", options->transparent,
                 "leave the colour of IMAGE's top-left pixel transparent");
  draw->add_option("--x", options->x, "column of IMAGE's left edge on BACKGROUND");
  draw->add_option("--y", options->y, "row of IMAGE's top edge on BACKGROUND");
  draw->callback([options, &exitCode] { exitCode = Draw(*options); });
});

}  // namespace
