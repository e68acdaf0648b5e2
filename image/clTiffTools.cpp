#include "image/clTiffTools.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "platform/FileApi.h"

namespace {

// TIFF field types.
constexpr uint16_t kByte = 1;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kRational = 5;

// Where the pieces after the directory stand in the file:
// 146 = 8 + 2 + 11 x 12 + 4, 162 = 146 + 16, 418 = 162 + 256.
constexpr uint32_t kDirectoryOffset = 8;
constexpr uint32_t kXResolutionOffset = 146;
constexpr uint32_t kYResolutionOffset = 154;
constexpr uint32_t kCroftHeaderOffset = 162;
constexpr uint32_t kStripOffset = 418;
constexpr int kExtraDataSize = 272;  // two rationals and the CROFT header

// Dots per inch along one axis, truncated toward zero; -1 when the
// millimetre field is not positive or the pixel count is negative, where
// the division means nothing.
long Resolution(long pixels, long millimetres) {
  if (millimetres <= 0 || pixels < 0) return -1;
  return static_cast<long>(static_cast<double>(pixels) * 25.4 / static_cast<double>(millimetres));
}

// Removes what a failed conversion left at `path`: only a regular file,
// never a device or a directory that happened to bear the name.
void RemovePartialFile(const char* path) {
  std::error_code error;
  if (std::filesystem::is_regular_file(NativePath(path), error)) DeleteFileA(path);
}

}  // namespace

bool clTiffTools::mConvertCroftToTiff(char* record, char* tiffPath) {
  if (record == nullptr) return false;
  return mConvertCroftToTiff(record, CroftHeader(record).RecordSize(), tiffPath);
}

bool clTiffTools::mConvertCroftToTiff(char* record, CMemFile& tiff) {
  if (record == nullptr) return false;
  return mConvertCroftToTiff(record, CroftHeader(record).RecordSize(), tiff);
}

bool clTiffTools::mConvertCroftToTiff(const char* record, size_t recordLength,
                                      const char* tiffPath) {
  Refusal why;
  return mConvertCroftToTiff(record, recordLength, tiffPath, why);
}

bool clTiffTools::mConvertCroftToTiff(const char* record, size_t recordLength, CMemFile& tiff) {
  Refusal why;
  return mConvertCroftToTiff(record, recordLength, tiff, why);
}

clTiffTools::Refusal clTiffTools::mCheckRecord(const char* record, size_t recordLength,
                                               stCROFTHeader& header) {
  if (record == nullptr) return Refusal::kNoRecord;
  if (recordLength < kCroftHeaderSize) return Refusal::kShortRecord;
  const CroftHeader croft(record);
  if (croft.DataCount() > recordLength - kCroftHeaderSize) return Refusal::kDataPastEnd;
  header = croft.Layout();
  return Refusal::kNone;
}

bool clTiffTools::mConvertCroftToTiff(const char* record, size_t recordLength,
                                      const char* tiffPath, Refusal& why) {
  stCROFTHeader header;
  why = record != nullptr && tiffPath == nullptr ? Refusal::kNoPath
                                                 : mCheckRecord(record, recordLength, header);
  if (why != Refusal::kNone) return false;
  stInfoTags tags;
  mCreateTIFFHeaderFromCROFTHeader(&tags, &header);
  char* path = const_cast<char*>(tiffPath);
  if (!mWriteTIFFHeader(path, &tags, &header)) {
    why = Refusal::kCannotWrite;
    return false;
  }
  if (!mAddImage(path, record + kCroftHeaderSize, tags.ulStripByteCount)) {
    RemovePartialFile(tiffPath);
    why = Refusal::kCannotWrite;
    return false;
  }
  return true;
}

bool clTiffTools::mConvertCroftToTiff(const char* record, size_t recordLength, CMemFile& tiff,
                                      Refusal& why) {
  stCROFTHeader header;
  why = mCheckRecord(record, recordLength, header);
  if (why != Refusal::kNone) return false;
  stInfoTags tags;
  mCreateTIFFHeaderFromCROFTHeader(&tags, &header);
  why = Refusal::kNoMemory;
  if (!mWriteTIFFHeader(tiff, &tags, &header)) return false;
  try {
    tiff.Write(record + kCroftHeaderSize, tags.ulStripByteCount);
  } catch (const std::bad_alloc&) {
    return false;
  }
  why = Refusal::kNone;
  return true;
}

bool clTiffTools::mCreateTIFFHeaderFromCROFTHeader(stInfoTags* tags, stCROFTHeader* header) {
  const CroftHeader croft(*header);
  const long width = croft.WidthPx();
  const long length = croft.LengthPx();
  const long heightMm = croft.HeightMm();
  const long widthMm = croft.WidthMm();

  long xResolution = Resolution(width, widthMm);
  long yResolution = Resolution(length, heightMm);
  // An axis without a usable size borrows the other's resolution (square
  // pixels); with neither, the common facsimile resolution stands in.
  if (xResolution < 0 && yResolution < 0) {
    xResolution = yResolution = kFallbackResolution;
  } else if (xResolution < 0) {
    xResolution = yResolution;
  } else if (yResolution < 0) {
    yResolution = xResolution;
  }

  tags->usImageWidth = static_cast<uint16_t>(width);
  tags->usImageLength = static_cast<uint16_t>(length);
  tags->usCompression = 4;
  tags->usPhotometric = 0;
  tags->ulRowsPerStrip = static_cast<uint32_t>(length);
  tags->ulStripByteCount = croft.DataCount();
  tags->ulXResNumerator = static_cast<uint32_t>(xResolution);
  tags->ulXResDenominator = 1;
  tags->ulYResNumerator = static_cast<uint32_t>(yResolution);
  tags->ulYResDenominator = 1;
  tags->usResolutionUnit = 2;
  return true;
}

int clTiffTools::mMakeTIFF(unsigned int entryCount, stInfoTags tags, char* extraData,
                           stTIFFHeader* tiffHeader, stIFD* ifd, stCROFTHeader* header) {
  if (entryCount != kEntryCount || ifd->pEntries == nullptr) return 0;
  tiffHeader->usByteOrder = static_cast<uint16_t>(mInvByteInt(0x4D4D));
  tiffHeader->usMagic = static_cast<uint16_t>(mInvByteInt(42));
  tiffHeader->ulIFDOffset = static_cast<uint32_t>(mInvByteLong(kDirectoryOffset));

  // The directory, in the order the entries must stand (ascending tags).
  const stIFDEntry entries[kEntryCount] = {
      {256, kShort, 1, tags.usImageWidth},      // ImageWidth
      {257, kShort, 1, tags.usImageLength},     // ImageLength
      {259, kShort, 1, tags.usCompression},     // Compression: CCITT T.6
      {262, kShort, 1, tags.usPhotometric},     // PhotometricInterpretation: white is zero
      {273, kLong, 1, kStripOffset},            // StripOffsets
      {278, kLong, 1, tags.ulRowsPerStrip},     // RowsPerStrip
      {279, kLong, 1, tags.ulStripByteCount},   // StripByteCounts
      {282, kRational, 1, kXResolutionOffset},  // XResolution
      {283, kRational, 1, kYResolutionOffset},  // YResolution
      {296, kShort, 1, tags.usResolutionUnit},  // ResolutionUnit: inch
      {315, kByte, kCroftHeaderSize, kCroftHeaderOffset},  // Artist: the CROFT header
  };
  ifd->usEntryCount = static_cast<uint16_t>(mInvByteInt(entryCount));
  for (unsigned int i = 0; i < entryCount; ++i) {
    stIFDEntry& out = ifd->pEntries[i];
    out.usTag = static_cast<uint16_t>(mInvByteInt(entries[i].usTag));
    out.usType = static_cast<uint16_t>(mInvByteInt(entries[i].usType));
    out.ulCount = static_cast<uint32_t>(mInvByteLong(entries[i].ulCount));
    if (entries[i].usType == kShort) {
      // A SHORT stands in the first two bytes of the value field, the other two are 0.
      const auto value = static_cast<uint16_t>(mInvByteInt(entries[i].ulValue));
      unsigned char field[4] = {};
      std::memcpy(field, &value, sizeof value);
      std::memcpy(&out.ulValue, field, sizeof field);
    } else {
      out.ulValue = static_cast<uint32_t>(mInvByteLong(entries[i].ulValue));
    }
  }
  ifd->ulNextIFD = 0;

  const uint32_t rationals[4] = {
      static_cast<uint32_t>(mInvByteLong(tags.ulXResNumerator)),
      static_cast<uint32_t>(mInvByteLong(tags.ulXResDenominator)),
      static_cast<uint32_t>(mInvByteLong(tags.ulYResNumerator)),
      static_cast<uint32_t>(mInvByteLong(tags.ulYResDenominator)),
  };
  std::memcpy(extraData, rationals, sizeof rationals);
  std::memcpy(extraData + sizeof rationals, header, kCroftHeaderSize);
  return kExtraDataSize;
}

bool clTiffTools::mFillHead(stInfoTags* tags, stCROFTHeader* header, char (&head)[kTiffHeadSize]) {
  stTIFFHeader tiffHeader;
  stIFDEntry entries[kEntryCount];
  stIFD ifd{0, entries, 0};
  char extraData[kExtraDataSize];
  if (mMakeTIFF(kEntryCount, *tags, extraData, &tiffHeader, &ifd, header) != kExtraDataSize) {
    return false;
  }
  char* out = head;
  auto put = [&out](const void* bytes, size_t size) {
    std::memcpy(out, bytes, size);
    out += size;
  };
  put(&tiffHeader.usByteOrder, 2);
  put(&tiffHeader.usMagic, 2);
  put(&tiffHeader.ulIFDOffset, 4);
  put(&ifd.usEntryCount, 2);
  for (const stIFDEntry& entry : entries) {
    put(&entry.usTag, 2);
    put(&entry.usType, 2);
    put(&entry.ulCount, 4);
    put(&entry.ulValue, 4);
  }
  put(&ifd.ulNextIFD, 4);
  put(extraData, kExtraDataSize);
  return out == head + kTiffHeadSize;
}

bool clTiffTools::mWriteTIFFHeader(char* tiffPath, stInfoTags* tags, stCROFTHeader* header) {
  char head[kTiffHeadSize];
  if (!mFillHead(tags, header, head)) return false;
  const HFILE file = _lcreat(tiffPath, 0);
  if (file == HFILE_ERROR) return false;
  const bool written = _lwrite(file, head, kTiffHeadSize) == kTiffHeadSize;
  const bool closed = _lclose(file) == 0;
  if (written && closed) return true;
  RemovePartialFile(tiffPath);
  return false;
}

bool clTiffTools::mWriteTIFFHeader(CMemFile& tiff, stInfoTags* tags, stCROFTHeader* header) {
  char head[kTiffHeadSize];
  if (!mFillHead(tags, header, head)) return false;
  try {
    tiff.Write(head, kTiffHeadSize);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool clTiffTools::mAddImage(char* tiffPath, const char* data, unsigned long size) {
  const HFILE file = _lopen(tiffPath, OF_WRITE);
  if (file == HFILE_ERROR) return false;
  bool ok = _llseek(file, 0, FILE_END) != HFILE_ERROR;
  if (ok && size > 0) ok = _lwrite(file, data, static_cast<UINT>(size)) == size;
  const bool closed = _lclose(file) == 0;
  return ok && closed;
}

unsigned long clTiffTools::mInvByteLong(unsigned long value) {
  // The result's bytes, as they lie in memory, are the value big-endian.
  const auto low = static_cast<uint32_t>(value);
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap32(low);
  return low;
}

unsigned int clTiffTools::mInvByteInt(unsigned int value) {
  const auto low = static_cast<uint16_t>(value);
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap16(low);
  return low;
}
