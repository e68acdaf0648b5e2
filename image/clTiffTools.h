#pragma once

#include <cstddef>
#include <cstdint>

#include "image/CroftHeader.h"
#include "platform/CMemFile.h"
#include "platform/Export.h"

// The tag values gathered from a CROFT header.
struct stInfoTags {
  uint16_t usImageWidth;       // pixels per row
  uint16_t usImageLength;      // rows
  uint16_t usCompression;      // always 4, CCITT T.6
  uint16_t usPhotometric;      // always 0, white is zero
  uint32_t ulRowsPerStrip;     // the image length: one strip
  uint32_t ulStripByteCount;   // the record's data count
  uint32_t ulXResNumerator;    // horizontal dots per inch
  uint32_t ulXResDenominator;  // always 1
  uint32_t ulYResNumerator;    // vertical dots per inch
  uint32_t ulYResDenominator;  // always 1
  uint16_t usResolutionUnit;   // always 2, inch
};

// A TIFF file header; its fields hold big-endian byte images once filled.
struct stTIFFHeader {
  uint16_t usByteOrder;  // "MM"
  uint16_t usMagic;      // 42
  uint32_t ulIFDOffset;  // offset of the first directory
};

// One image file directory entry; big-endian byte images once filled.
struct stIFDEntry {
  uint16_t usTag;    // tag number
  uint16_t usType;   // field type: 1 BYTE, 3 SHORT, 4 LONG, 5 RATIONAL
  uint32_t ulCount;  // number of values
  uint32_t ulValue;  // the value (a SHORT in its first two bytes) or an offset
};

// An image file directory; big-endian byte images once filled.
struct stIFD {
  uint16_t usEntryCount;  // number of entries
  stIFDEntry* pEntries;   // the entries, owned by whoever fills the directory
  uint32_t ulNextIFD;     // offset of the next directory, 0 for none
};

// Turns a CROFT record into a single-page, single-strip big-endian TIFF
// (418 bytes of head, then the compressed data untouched), on disk or in a
// CMemFile. The two forms produce identical bytes. Never throws.
class SORREL_EXPORT clTiffTools {
 public:
  // Why a conversion refused its record, or wrote nothing whole.
  enum class Refusal {
    kNone,          // converted
    kNoRecord,      // the record is null
    kNoPath,        // the file path is null
    kShortRecord,   // the record is shorter than its header
    kDataPastEnd,   // the header's data count passes the record's end
    kCannotWrite,   // the file could not be created or written in full
    kNoMemory,      // the memory file could not grow
  };

  static constexpr size_t kCroftHeaderSize = CroftHeader::kSize;  // bytes before the data
  static constexpr size_t kTiffHeadSize = 418;     // bytes before the strip in the TIFF
  static constexpr unsigned int kEntryCount = 11;  // directory entries written
  // Dots per inch written for an axis whose millimetre field is not a
  // positive number, when the other axis gives none to borrow.
  static constexpr uint32_t kFallbackResolution = 200;

  // Writes the TIFF for the record at `record` (at least 256 + its data count
  // bytes, which is trusted) to `tiffPath`, created or truncated. False for a
  // null record or path, or when the file can't be created or fully written;
  // a file left half-written is removed.
  bool mConvertCroftToTiff(char* record, char* tiffPath);
  // Writes the same bytes into `tiff` at its position. False for a null
  // record, or when memory runs out (the file may then hold part of them).
  bool mConvertCroftToTiff(char* record, CMemFile& tiff);

  // As above for a record of `recordLength` bytes: also false, writing
  // nothing, when the record is shorter than its header or its data count
  // passes its end.
  bool mConvertCroftToTiff(const char* record, size_t recordLength, const char* tiffPath);
  bool mConvertCroftToTiff(const char* record, size_t recordLength, CMemFile& tiff);
  // The same two, saying in `why` why they returned false (kNone on true).
  bool mConvertCroftToTiff(const char* record, size_t recordLength, const char* tiffPath,
                           Refusal& why);
  bool mConvertCroftToTiff(const char* record, size_t recordLength, CMemFile& tiff, Refusal& why);

 private:
  bool mCreateTIFFHeaderFromCROFTHeader(stInfoTags* tags, stCROFTHeader* header);
  int mMakeTIFF(unsigned int entryCount, stInfoTags tags, char* extraData, stTIFFHeader* tiffHeader,
                stIFD* ifd, stCROFTHeader* header);
  bool mWriteTIFFHeader(char* tiffPath, stInfoTags* tags, stCROFTHeader* header);
  bool mWriteTIFFHeader(CMemFile& tiff, stInfoTags* tags, stCROFTHeader* header);
  bool mAddImage(char* tiffPath, const char* data, unsigned long size);
  unsigned long mInvByteLong(unsigned long value);
  unsigned int mInvByteInt(unsigned int value);

  // Bytes 0 to 417 of the TIFF into `head`; false if the directory can't be built.
  bool mFillHead(stInfoTags* tags, stCROFTHeader* header, char (&head)[kTiffHeadSize]);
  // The record's header when `recordLength` bytes hold it and its data; the
  // refusal otherwise.
  static Refusal mCheckRecord(const char* record, size_t recordLength, stCROFTHeader& header);
};
