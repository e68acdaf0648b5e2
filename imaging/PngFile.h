#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture, row by row, three bytes a pixel.
struct RgbImage {
  uint32_t width = 0;        // pixels per row
  uint32_t height = 0;       // rows
  std::vector<uint8_t> rgb;  // width x height x 3 bytes
};

// The most pixels ReadPng accepts: about the largest page a CROFT header can
// describe (9999 x 9999); an A4 page at 600 dpi has 35 million.
constexpr uint64_t kMaxPngPixels = 100'000'000;

// Reads a PNG file through libpng (transparency composed over black). False
// with libpng's reason in *error, or when the picture has more than
// kMaxPngPixels pixels (nothing is allocated for it then).
bool ReadPng(const std::string& path, RgbImage* image, std::string* error);

// Writes the picture as an 8-bit RGB PNG through libpng. False with libpng's
// reason in *error.
bool WritePng(const std::string& path, const RgbImage& image, std::string* error);
// Writes `grey`, one byte a pixel row by row, as an 8-bit grey PNG.
bool WriteGreyPng(const std::string& path, uint32_t width, uint32_t height,
                  const std::vector<uint8_t>& grey, std::string* error);
