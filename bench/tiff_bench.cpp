// CROFT to TIFF conversion of a 2 MB record, in memory and to a file, next to
// the references that move the same bytes without building a TIFF: memcpy
// into a buffer (fresh and reused) and a plain open/write/close of the file.
// All report bytes per second of the record.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/CroftHeader.h"
#include "image/clTiffTools.h"

namespace {

constexpr size_t kRecordSize = 2 * 1024 * 1024;
constexpr size_t kOutputSize = kRecordSize - CroftHeader::kSize + clTiffTools::kTiffHeadSize;

const std::vector<char>& Record() {
  static const std::vector<char> record = [] {
    std::vector<char> bytes(kRecordSize);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + (i >> 9));
    CroftHeader header(bytes.data());
    header.SetPageSize(297, 210);
    header.SetImageSize(2339, 1728);
    header.SetDataCount(kRecordSize - CroftHeader::kSize);
    std::memcpy(bytes.data(), header.Bytes(), CroftHeader::kSize);
    return bytes;
  }();
  return record;
}

std::string ScratchPath() {
  return "/tmp/sorrel-tiff-bench-" + std::to_string(::getpid()) + ".tif";
}

void BM_ConvertToNewMemFile(benchmark::State& state) {
  const std::vector<char>& record = Record();
  clTiffTools tools;
  for (auto _ : state) {
    CMemFile tiff;
    if (!tools.mConvertCroftToTiff(record.data(), record.size(), tiff)) {
      state.SkipWithError("conversion failed");
      break;
    }
    benchmark::DoNotOptimize(tiff.GetData());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecordSize));
}

void BM_ConvertToReusedMemFile(benchmark::State& state) {
  const std::vector<char>& record = Record();
  clTiffTools tools;
  CMemFile tiff;
  for (auto _ : state) {
    tiff.SeekToBegin();
    if (!tools.mConvertCroftToTiff(record.data(), record.size(), tiff)) {
      state.SkipWithError("conversion failed");
      break;
    }
    benchmark::DoNotOptimize(tiff.GetData());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecordSize));
}

void BM_MemcpyToNewBuffer(benchmark::State& state) {
  const std::vector<char>& record = Record();
  for (auto _ : state) {
    char* out = static_cast<char*>(std::malloc(kOutputSize));
    std::memcpy(out + 162, record.data(), kRecordSize);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
    std::free(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecordSize));
}

void BM_MemcpyToReusedBuffer(benchmark::State& state) {
  const std::vector<char>& record = Record();
  std::vector<char> out(kOutputSize);
  for (auto _ : state) {
    std::memcpy(out.data() + 162, record.data(), kRecordSize);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecordSize));
}

void BM_ConvertToFile(benchmark::State& state) {
  const std::vector<char>& record = Record();
  const std::string path = ScratchPath();
  clTiffTools tools;
  for (auto _ : state) {
    if (!tools.mConvertCroftToTiff(record.data(), record.size(), path.c_str())) {
      state.SkipWithError("conversion failed");
      break;
    }
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecordSize));
}

void BM_PlainWriteToFile(benchmark::State& state) {
  const std::vector<char>& record = Record();
  const std::string path = ScratchPath();
  std::vector<char> out(kOutputSize);
  std::memcpy(out.data() + 162, record.data(), kRecordSize);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) {
      state.SkipWithError("write failed");
      if (fd >= 0) ::close(fd);
      break;
    }
    ::close(fd);
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRecordSize));
}

BENCHMARK(BM_ConvertToNewMemFile);
BENCHMARK(BM_ConvertToReusedMemFile);
BENCHMARK(BM_MemcpyToNewBuffer);
BENCHMARK(BM_MemcpyToReusedBuffer);
BENCHMARK(BM_ConvertToFile);
BENCHMARK(BM_PlainWriteToFile);

}  // namespace
