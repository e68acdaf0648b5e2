// Converts arbitrary bytes as a CROFT record of exactly their length, in
// memory and to a file: a record is accepted exactly when its data count fits
// in it (refused with the reason that says which part is missing otherwise),
// and then the TIFF holds the head, the record's header and its data, the
// same bytes in both forms. The count is read here from the bytes, apart
// from the converter's own header type.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "image/clTiffTools.h"

namespace {

// A scratch file of this process, removed when the fuzzer exits.
const std::string& FilePath() {
  static const std::string path = "/tmp/sorrel-croft-fuzz-" + std::to_string(::getpid());
  // Registered after `path` is built, so it runs before `path` goes away.
  static const bool cleanup = std::atexit([] { std::remove(path.c_str()); }) == 0;
  (void)cleanup;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A buffer of exactly the record's size, so that any read past it is caught.
  std::unique_ptr<char[]> record(new char[size]);
  if (size > 0) std::memcpy(record.get(), data, size);

  uint32_t count = 0;
  if (size >= 256) {
    for (int i = 3; i >= 0; --i) count = count << 8 | data[248 + i];
  }
  const bool fits = size >= 256 && count <= size - 256;
  const clTiffTools::Refusal expected = size < 256 ? clTiffTools::Refusal::kShortRecord
                                        : !fits    ? clTiffTools::Refusal::kDataPastEnd
                                                   : clTiffTools::Refusal::kNone;

  clTiffTools tools;
  CMemFile tiff;
  clTiffTools::Refusal why;
  if (tools.mConvertCroftToTiff(record.get(), size, tiff, why) != fits || why != expected) {
    std::abort();
  }
  if (!fits) {
    if (tiff.GetLength() != 0) std::abort();
    return 0;
  }
  const auto* bytes = reinterpret_cast<const char*>(tiff.GetData());
  if (tiff.GetLength() != 418 + uint64_t{count} || std::memcmp(bytes, "MM\0\x2a", 4) != 0 ||
      std::memcmp(bytes + 162, data, 256) != 0 ||
      (count > 0 && std::memcmp(bytes + 418, data + 256, count) != 0)) {
    std::abort();
  }

  std::remove(FilePath().c_str());
  if (!tools.mConvertCroftToTiff(record.get(), size, FilePath().c_str())) std::abort();
  std::ifstream in(FilePath(), std::ios::binary);
  const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (written.size() != tiff.GetLength() ||
      std::memcmp(written.data(), bytes, written.size()) != 0) {
    std::abort();
  }
  return 0;
}
