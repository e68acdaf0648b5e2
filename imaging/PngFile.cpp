#include "imaging/PngFile.h"

#include <png.h>

#include <cstring>

namespace {

bool Write(const std::string& path, uint32_t width, uint32_t height, png_uint_32 format,
           const std::vector<uint8_t>& pixels, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = format;
  if (pixels.size() != PNG_IMAGE_SIZE(image)) {
    *error = "the picture's pixels do not match its size";
    return false;
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) {
    *error = std::string("cannot write ") + path + ": " + image.message;
    return false;
  }
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, RgbImage* out, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *error = std::string("cannot read ") + path + ": " + image.message;
    return false;
  }
  // The header's size is the file's word; a few bytes may claim gigabytes.
  if (uint64_t{image.width} * image.height > kMaxPngPixels) {
    *error = path + " is too large: " + std::to_string(image.width) + "x" +
             std::to_string(image.height) + " pixels, at most " + std::to_string(kMaxPngPixels);
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  const png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, pixels.data(), 0, nullptr)) {
    *error = std::string("cannot decode ") + path + ": " + image.message;
    return false;
  }
  out->width = image.width;
  out->height = image.height;
  out->rgb = std::move(pixels);
  return true;
}

bool WritePng(const std::string& path, const RgbImage& image, std::string* error) {
  return Write(path, image.width, image.height, PNG_FORMAT_RGB, image.rgb, error);
}

bool WriteGreyPng(const std::string& path, uint32_t width, uint32_t height,
                  const std::vector<uint8_t>& grey, std::string* error) {
  return Write(path, width, height, PNG_FORMAT_GRAY, grey, error);
}
