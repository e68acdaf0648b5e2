#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Export.h"

// The 256-byte header of a CROFT facsimile record; the compressed page
// (CCITT Group 4) follows it. Only the four digit fields and the data count
// are read; every other byte is carried into the TIFF unchanged.
struct stCROFTHeader {
  char cUninterpreted1[191];  // 0: not read
  char cHeightMm[3];          // 191: page height in millimetres, ASCII decimal
  char cWidthMm[3];           // 194: page width in millimetres, ASCII decimal
  char cLengthPx[4];          // 197: image length in pixels (rows), ASCII decimal
  char cWidthPx[4];           // 201: image width in pixels, ASCII decimal
  char cUninterpreted2[43];   // 205: not read
  uint8_t ucDataCount[4];     // 248: byte count of the compressed data, little-endian
  char cUninterpreted3[4];    // 252: not read
};
static_assert(sizeof(stCROFTHeader) == 256, "a CROFT header is 256 bytes");

// One CROFT header as a value: its fields read and written over the
// stCROFTHeader layout. Reading follows the converter's rules (each digit
// field copied out and converted on its own, so leading blanks or zeros are
// allowed and a non-digit ends the number); writing puts zero-padded digits.
// Never throws.
class SORREL_EXPORT CroftHeader {
 public:
  static constexpr size_t kSize = sizeof(stCROFTHeader);  // bytes before the data
  static constexpr size_t kLabelSize = sizeof(stCROFTHeader::cUninterpreted1);
  static constexpr int kMaxMillimetres = 999;  // what three digits hold
  static constexpr int kMaxPixels = 9999;      // what four digits hold

  // A header to fill: blanks, every digit field 0, data count 0, the last
  // four bytes 0.
  CroftHeader();
  // The first kSize bytes of `record`, as they stand; `record` must hold them.
  explicit CroftHeader(const char* record);
  // A copy of `layout`.
  explicit CroftHeader(const stCROFTHeader& layout);

  long HeightMm() const;
  long WidthMm() const;
  long LengthPx() const;
  long WidthPx() const;
  // The count at 248: bytes of compressed data after the header.
  uint32_t DataCount() const;
  // The length of the record that the header describes: itself and its data.
  size_t RecordSize() const { return kSize + DataCount(); }

  // Each setter returns false, changing nothing, when the value does not fit
  // its field: a label longer than kLabelSize bytes (it is written from byte
  // 0, the rest stays as it was), sizes outside 0 to kMaxMillimetres or
  // kMaxPixels.
  bool SetLabel(std::string_view label);
  bool SetPageSize(int heightMm, int widthMm);
  bool SetImageSize(int lengthPx, int widthPx);
  void SetDataCount(uint32_t count);

  // The kSize bytes in file order.
  const stCROFTHeader& Layout() const { return m_layout; }
  const char* Bytes() const { return reinterpret_cast<const char*>(&m_layout); }

 private:
  stCROFTHeader m_layout;
};
