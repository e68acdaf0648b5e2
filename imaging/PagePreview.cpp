#include "imaging/PagePreview.h"

#include <cstdint>

#include "imaging/FacsimilePage.h"
#include "imaging/PngFile.h"
#include "imaging/TiffMessages.h"

bool WritePagePreview(const std::string& tiffPath, const std::string& pngPath,
                      std::vector<std::string>* notes, std::string* error) {
  BilevelPage page;
  bool read;
  {
    TiffMessages messages;
    read = ReadTiffPage(tiffPath, &page, error);
    for (const std::string& warning : messages.warnings()) {
      if (warning.find("Artist") == std::string::npos) notes->push_back(warning);
    }
    for (const std::string& message : messages.errors()) notes->push_back(message);
  }
  if (!read) return false;
  std::vector<uint8_t> grey(page.pixels.size());
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = page.pixels[i] ? 0 : 255;
  return WriteGreyPng(pngPath, page.width, page.length, grey, error);
}
