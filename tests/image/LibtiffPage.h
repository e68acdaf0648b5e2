#pragma once

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A bilevel page as libtiff sees it, for checking the converter's files with
// an independent reader: rows packed eight pixels a byte, most significant
// bit first, 1 for black.
struct LibtiffPage {
  uint32_t width = 0;
  uint32_t length = 0;
  std::vector<uint8_t> rows;      // (width + 7) / 8 bytes a row
  float xResolution = 0;          // dots per inch, as libtiff reads them
  float yResolution = 0;
  std::vector<std::string> said;  // what libtiff warned or complained about

  // The Group 4 data of the page, made by libtiff's encoder through a TIFF
  // file at `scratch`; empty when libtiff fails.
  std::string EncodeG4(const std::string& scratch) const {
    std::string data;
    if (TIFF* out = TIFFOpen(scratch.c_str(), "w")) {
      TIFFSetField(out, TIFFTAG_IMAGEWIDTH, width);
      TIFFSetField(out, TIFFTAG_IMAGELENGTH, length);
      TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
      TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
      TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
      TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, length);
      std::vector<uint8_t> copy = rows;
      const bool written =
          TIFFWriteEncodedStrip(out, 0, copy.data(), static_cast<tmsize_t>(copy.size())) >= 0;
      TIFFClose(out);
      if (written) data = RawStrip(scratch);
    }
    return data;
  }

  // Reads the first page of the TIFF file at `path` and decodes its strip.
  // False when libtiff cannot open it or decode the page whole.
  bool Read(const std::string& path) {
    Collector collect(said);
    TIFF* in = TIFFOpen(path.c_str(), "r");
    if (in == nullptr) return false;
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &length);
    TIFFGetField(in, TIFFTAG_XRESOLUTION, &xResolution);
    TIFFGetField(in, TIFFTAG_YRESOLUTION, &yResolution);
    rows.assign(size_t{(width + 7) / 8} * length, 0);
    const tmsize_t size = static_cast<tmsize_t>(rows.size());
    const bool decoded = TIFFReadEncodedStrip(in, 0, rows.data(), size) == size;
    TIFFClose(in);
    return decoded;
  }

 private:
  static std::string RawStrip(const std::string& path) {
    std::string data;
    if (TIFF* in = TIFFOpen(path.c_str(), "r")) {
      data.resize(static_cast<size_t>(TIFFRawStripSize(in, 0)));
      if (TIFFReadRawStrip(in, 0, data.data(), static_cast<tmsize_t>(data.size())) < 0) {
        data.clear();
      }
      TIFFClose(in);
    }
    return data;
  }

  // Sends libtiff's warnings and errors to `said` while it lives.
  class Collector {
   public:
    explicit Collector(std::vector<std::string>& said) {
      target = &said;
      warning_ = TIFFSetWarningHandler(Note);
      error_ = TIFFSetErrorHandler(Note);
    }
    ~Collector() {
      TIFFSetWarningHandler(warning_);
      TIFFSetErrorHandler(error_);
      target = nullptr;
    }
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

   private:
    static void Note(const char* module, const char* format, va_list args) {
      char text[512];
      std::vsnprintf(text, sizeof text, format, args);
      target->push_back(std::string(module ? module : "") + ": " + text);
    }
    static inline std::vector<std::string>* target = nullptr;
    TIFFErrorHandler warning_;
    TIFFErrorHandler error_;
  };
};
