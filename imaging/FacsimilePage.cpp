#include "imaging/FacsimilePage.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "image/CroftHeader.h"

namespace {

// A TIFF held in a string, for libtiff's client-stream interface.
struct MemoryStream {
  std::string bytes;  // the file
  toff_t position = 0;
};

tsize_t StreamRead(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto* stream = static_cast<MemoryStream*>(handle);
  if (size <= 0 || stream->position >= stream->bytes.size()) return 0;
  const size_t count = std::min(static_cast<size_t>(size), stream->bytes.size() - stream->position);
  std::memcpy(buffer, stream->bytes.data() + stream->position, count);
  stream->position += count;
  return static_cast<tsize_t>(count);
}

tsize_t StreamWrite(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto* stream = static_cast<MemoryStream*>(handle);
  if (size <= 0) return 0;
  const size_t end = stream->position + static_cast<size_t>(size);
  if (end > stream->bytes.size()) stream->bytes.resize(end, '\0');
  std::memcpy(stream->bytes.data() + stream->position, buffer, static_cast<size_t>(size));
  stream->position = end;
  return size;
}

toff_t StreamSeek(thandle_t handle, toff_t offset, int whence) {
  auto* stream = static_cast<MemoryStream*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = stream->position;
  if (whence == SEEK_END) base = stream->bytes.size();
  stream->position = base + offset;
  return stream->position;
}

int StreamClose(thandle_t) { return 0; }

toff_t StreamSize(thandle_t handle) { return static_cast<MemoryStream*>(handle)->bytes.size(); }

int StreamMap(thandle_t, tdata_t*, toff_t*) { return 0; }

void StreamUnmap(thandle_t, tdata_t, toff_t) {}

TIFF* OpenStream(MemoryStream* stream, const char* mode) {
  return TIFFClientOpen("memory", mode, stream, StreamRead, StreamWrite, StreamSeek, StreamClose,
                        StreamSize, StreamMap, StreamUnmap);
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// A page's rows packed eight pixels a byte, most significant bit first.
std::vector<uint8_t> PackRows(const BilevelPage& page) {
  const size_t rowBytes = (page.width + 7) / 8;
  std::vector<uint8_t> packed(rowBytes * page.length, 0);
  for (uint32_t y = 0; y < page.length; ++y) {
    for (uint32_t x = 0; x < page.width; ++x) {
      if (page.pixels[size_t{y} * page.width + x]) {
        packed[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return packed;
}

}  // namespace

bool EncodeG4(const BilevelPage& page, std::string* g4, std::string* error) {
  if (page.width == 0 || page.length == 0 ||
      page.pixels.size() != size_t{page.width} * page.length) {
    *error = "the page is empty or its pixels do not match its size";
    return false;
  }
  MemoryStream stream;
  {
    TiffHandle tiff(OpenStream(&stream, "w"));
    if (!tiff) {
      *error = "libtiff could not start a file in memory";
      return false;
    }
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, page.length);
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff.get(), TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, page.length);
    std::vector<uint8_t> packed = PackRows(page);
    if (TIFFWriteEncodedStrip(tiff.get(), 0, packed.data(), static_cast<tmsize_t>(packed.size())) <
            0 ||
        !TIFFWriteDirectory(tiff.get())) {
      *error = "libtiff's Group 4 encoder failed";
      return false;
    }
  }
  stream.position = 0;
  TiffHandle tiff(OpenStream(&stream, "r"));
  if (!tiff) {
    *error = "libtiff could not read back the encoded page";
    return false;
  }
  const tmsize_t size = TIFFRawStripSize(tiff.get(), 0);
  g4->assign(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size <= 0 || TIFFReadRawStrip(tiff.get(), 0, g4->data(), size) != size) {
    *error = "libtiff could not read back the encoded strip";
    return false;
  }
  return true;
}

bool MakeCroftRecord(const BilevelPage& page, const CroftFields& fields, std::string* record,
                     std::string* error) {
  CroftHeader header;
  if (page.width > CroftHeader::kMaxPixels || page.length > CroftHeader::kMaxPixels ||
      !header.SetImageSize(static_cast<int>(page.length), static_cast<int>(page.width))) {
    *error = "a CROFT page has at most 9999 pixels each way";
    return false;
  }
  if (!header.SetPageSize(fields.heightMm, fields.widthMm)) {
    *error = "page sizes in millimetres must lie between 0 and 999";
    return false;
  }
  if (!header.SetLabel(fields.label)) {
    *error = "the label has at most 191 bytes";
    return false;
  }
  std::string g4;
  if (!EncodeG4(page, &g4, error)) return false;
  header.SetDataCount(static_cast<uint32_t>(g4.size()));
  record->assign(header.Bytes(), CroftHeader::kSize);
  *record += g4;
  return true;
}

bool ReadTiffPage(const std::string& path, BilevelPage* page, std::string* error) {
  TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
  if (!tiff) {
    *error = "libtiff cannot open " + path;
    return false;
  }
  uint32_t width = 0;
  uint32_t length = 0;
  uint16_t bits = 1;
  uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &length);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
  if (width == 0 || length == 0 || bits != 1 || TIFFNumberOfStrips(tiff.get()) != 1) {
    *error = path + " is not a single-strip bilevel page";
    return false;
  }
  const size_t rowBytes = (width + 7) / 8;
  std::vector<uint8_t> packed(rowBytes * length);
  if (TIFFReadEncodedStrip(tiff.get(), 0, packed.data(), static_cast<tmsize_t>(packed.size())) !=
      static_cast<tmsize_t>(packed.size())) {
    *error = "libtiff cannot decode the page of " + path;
    return false;
  }
  const uint8_t black = photometric == PHOTOMETRIC_MINISBLACK ? 0 : 1;
  page->width = width;
  page->length = length;
  page->pixels.assign(size_t{width} * length, 0);
  for (uint32_t y = 0; y < length; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t bit = (packed[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
      page->pixels[size_t{y} * width + x] = bit == black ? 1 : 0;
    }
  }
  return true;
}
