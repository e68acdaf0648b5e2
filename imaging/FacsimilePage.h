#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A one-bit page image: `length` rows of `width` pixels, one byte per pixel,
// 1 for black and 0 for white.
struct BilevelPage {
  uint32_t width = 0;           // pixels per row
  uint32_t length = 0;          // rows
  std::vector<uint8_t> pixels;  // width x length, row by row

  bool operator==(const BilevelPage&) const = default;
};

// What a CROFT header says beyond the image itself.
struct CroftFields {
  int heightMm = 297;  // page height in millimetres (3 digits)
  int widthMm = 210;   // page width in millimetres (3 digits)
  std::string label;   // text at the start of the header, at most 191 bytes
};

// Compresses the page with libtiff's CCITT Group 4 encoder (most significant
// bit first, white is zero), as one strip. False with a reason in *error when
// the page is empty, inconsistent or the encoder fails.
bool EncodeG4(const BilevelPage& page, std::string* g4, std::string* error);

// A whole CROFT record for the page: the 256-byte header then its Group 4
// data. False with a reason when a field does not fit its digits.
bool MakeCroftRecord(const BilevelPage& page, const CroftFields& fields, std::string* record,
                     std::string* error);

// Reads the first page of a TIFF file with libtiff and decodes its first
// strip (a single-strip bilevel page). False with a reason otherwise.
bool ReadTiffPage(const std::string& path, BilevelPage* page, std::string* error);
