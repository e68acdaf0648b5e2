#pragma once

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A bilevel page as libtiff sees it, to check the converter's files with an
// independent reader: rows packed eight pixels a byte, most significant bit
// first, 1 for black.
struct LibtiffPage {
  uint32_t width = 0;
  uint32_t length = 0;
  std::vector<uint8_t> rows;  // (width + 7) / 8 bytes a row
  float xResolution = 0;      // dots per inch, as libtiff reads them
  float yResolution = 0;
  std::vector<std::string> said;  // what libtiff warned or complained about

  // The Group 4 data of the page, made by libtiff's encoder through a TIFF
  // file at `scratch`; empty when libtiff fails.
  std::string EncodeG4(const std::string& scratch) const {
    TIFF* out = TIFFOpen(scratch.c_str(), "w");
    if (out == nullptr) return "";
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, length);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, length);
    std::vector<uint8_t> copy = rows;  // the encoder may write into it
    const bool written = TIFFWriteEncodedStrip(out, 0, copy.data(), copy.size()) >= 0;
    TIFFClose(out);
    TIFF* in = written ? TIFFOpen(scratch.c_str(), "r") : nullptr;
    if (in == nullptr) return "";
    std::string data(static_cast<size_t>(TIFFRawStripSize(in, 0)), '\0');
    if (TIFFReadRawStrip(in, 0, data.data(), static_cast<tmsize_t>(data.size())) < 0) data.clear();
    TIFFClose(in);
    return data;
  }

  // Reads the first page of the TIFF file at `path` and decodes its strip,
  // noting what libtiff says. False when it cannot open or decode it whole.
  bool Read(const std::string& path) {
    target = &said;
    const TIFFErrorHandler warning = TIFFSetWarningHandler(Note);
    const TIFFErrorHandler error = TIFFSetErrorHandler(Note);
    TIFF* in = TIFFOpen(path.c_str(), "r");
    bool decoded = false;
    if (in != nullptr) {
      TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
      TIFFGetField(in, TIFFTAG_IMAGELENGTH, &length);
      TIFFGetField(in, TIFFTAG_XRESOLUTION, &xResolution);
      TIFFGetField(in, TIFFTAG_YRESOLUTION, &yResolution);
      rows.assign(size_t{(width + 7) / 8} * length, 0);
      const auto size = static_cast<tmsize_t>(rows.size());
      decoded = TIFFReadEncodedStrip(in, 0, rows.data(), size) == size;
      TIFFClose(in);
    }
    TIFFSetWarningHandler(warning);
    TIFFSetErrorHandler(error);
    return decoded;
  }

 private:
  static void Note(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    target->push_back(std::string(module ? module : "") + ": " + text);
  }
  static inline std::vector<std::string>* target = nullptr;  // libtiff's handlers are global
};
