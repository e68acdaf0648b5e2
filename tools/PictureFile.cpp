#include "tools/PictureFile.h"

#include "tools/InputFile.h"

namespace {

// The eight bytes every PNG file starts with.
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

}  // namespace

bool ReadPicture(const std::string& path, RgbImage* picture, std::string* error) {
  std::string bytes;
  if (!InputFile::Read(path, &bytes, error)) return false;
  if (bytes.compare(0, sizeof kPngSignature - 1, kPngSignature) != 0) {
    *error = path + " is not a PNG picture";
    return false;
  }
  return ReadPng(path, picture, error);
}
