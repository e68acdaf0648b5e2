#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "image/CroftHeader.h"
#include "imaging/FacsimilePage.h"
#include "tools/CommandRegistry.h"
#include "tools/OutputFile.h"
#include "tools/PictureFile.h"

namespace {

struct MakeOptions {
  std::string image;    // PNG picture of the page
  std::string out;      // CROFT record to write
  CroftFields fields;   // millimetre sizes and label
  int threshold = 128;  // grey level below which a pixel is black
};

int Make(const MakeOptions& options) {
  RgbImage picture;
  std::string error;
  if (!ReadPicture(options.image, &picture, &error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  BilevelPage page;
  page.width = picture.width;
  page.length = picture.height;
  page.pixels.resize(size_t{page.width} * page.length);
  for (size_t i = 0; i < page.pixels.size(); ++i) {
    const uint8_t* rgb = &picture.rgb[i * 3];
    const int grey = (rgb[0] * 299 + rgb[1] * 587 + rgb[2] * 114) / 1000;
    page.pixels[i] = grey < options.threshold ? 1 : 0;
  }
  std::string record;
  if (!MakeCroftRecord(page, options.fields, &record, &error)) {
    std::fprintf(stderr, "sorrel: %s: %s\n", options.image.c_str(), error.c_str());
    return 1;
  }
  // The record is written beside OUT and renamed over it once whole, so a
  // failed write removes nothing the command did not create.
  OutputFile file(options.out);
  if (!file.Open(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(file.temporaryPath(), std::ios::binary | std::ios::trunc);
  out.write(record.data(), static_cast<std::streamsize>(record.size()));
  out.close();
  if (!out) error = "cannot write " + options.out;
  if (!out || !file.Commit(&error)) {
    std::fprintf(stderr, "sorrel: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %ux%u pixels, %zu bytes of Group 4 data\n", options.out.c_str(), page.width,
              page.length, record.size() - CroftHeader::kSize);
  return 0;
}

// sorrel croft make IMAGE OUT: a CROFT record whose data is the page of a PNG
// picture compressed with libtiff's Group 4 encoder.
const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* croft = app.add_subcommand("croft", "Work with CROFT facsimile records");
  croft->require_subcommand(1);
  auto options = std::make_shared<MakeOptions>();
  CLI::App* make = croft->add_subcommand(
      "make", "Make a CROFT record from a PNG picture (dark pixels black, Group 4 compressed)");
  make->add_option("IMAGE", options->image, "PNG picture of the page")->required();
  make->add_option("OUT", options->out, "CROFT record to write")->required();
  make->add_option("--height-mm", options->fields.heightMm, "page height in millimetres")
      ->check(CLI::Range(0, CroftHeader::kMaxMillimetres));
  make->add_option("--width-mm", options->fields.widthMm, "page width in millimetres")
      ->check(CLI::Range(0, CroftHeader::kMaxMillimetres));
  make->add_option("--label", options->fields.label, "text at the start of the header")
      ->check([](const std::string& label) {
        return label.size() <= CroftHeader::kLabelSize ? std::string()
                                                       : "the label has at most 191 bytes";
      });
  make->add_option("--threshold", options->threshold, "grey level below which a pixel is black")
      ->check(CLI::Range(1, 256));
  make->callback([options, &exitCode] { exitCode = Make(*options); });
});

}  // namespace
