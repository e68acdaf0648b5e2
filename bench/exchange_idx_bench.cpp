// Lookups in a generated, sorted EXCHANGE.IDX of 1,000,000 lines: the
// library's mFind in the exchange-index mode against a binary search over
// line starts in a memory-mapped copy (as the `look` utility does it) and
// against a linear scan; and mFind with the open and close of every lookup.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/clAccessFile.h"

namespace {

constexpr int kLines = 1000000;

// The index file, written once per run into a temporary folder.
class IndexFile {
 public:
  IndexFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorrel-idx-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    path_ = folder_ + "/EXCHANGE.IDX";
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    if (out == nullptr) std::abort();
    for (int n = 0; n < kLines; ++n) {
      // Key, blanks up to column 47, then the relative path.
      std::fprintf(out, "USB2 %08d%34s\\US\\B2\\%04d\\%08d.PDF\r\n", n * 3, "", n / 1000, n * 3);
    }
    std::fclose(out);
    size_ = std::filesystem::file_size(path_);
  }
  ~IndexFile() { std::filesystem::remove_all(folder_); }

  const std::string& path() const { return path_; }
  size_t size() const { return size_; }

  // The key of a random line.
  static std::string RandomKey(std::mt19937& random) {
    char key[32];
    std::snprintf(key, sizeof key, "USB2 %08d", static_cast<int>(random() % kLines) * 3);
    return key;
  }

 private:
  std::string folder_;
  std::string path_;
  size_t size_ = 0;
};

const IndexFile& Index() {
  static const IndexFile index;
  return index;
}

// One lookup of a random key in the exchange-index mode.
void FindRandomKey(clAccessFile& file, std::mt19937& random, benchmark::State& state) {
  std::string key = IndexFile::RandomKey(random);
  char* line = nullptr;
  const long offset =
      file.mFind(key.data(), static_cast<int>(key.size()), -1, ' ', &line, 1, 0, 1, 0);
  if (offset < 0) state.SkipWithError("key not found");
  delete[] line;
  benchmark::DoNotOptimize(offset);
}

void BM_AccessFileFind(benchmark::State& state) {
  clAccessFile file;
  if (!file.mOpenFileForReading(Index().path().c_str())) std::abort();
  std::mt19937 random(1);
  const unsigned long long before = file.mFindBytesRead();
  for (auto _ : state) FindRandomKey(file, random, state);
  const double lookups = static_cast<double>(state.iterations());
  state.counters["bytes_per_lookup"] =
      static_cast<double>(file.mFindBytesRead() - before) / lookups;
  state.counters["minimum_bytes"] =
      std::log2(static_cast<double>(Index().size()) / 4096.0) * 255 + 4096;
}
BENCHMARK(BM_AccessFileFind);

// As the exchange-index lookup uses it: the index opened, searched once and
// closed for every lookup, so each one pays for the open and the mapping.
void BM_AccessFileOpenFindClose(benchmark::State& state) {
  std::mt19937 random(1);
  for (auto _ : state) {
    clAccessFile file;
    if (!file.mOpenFileForReading(Index().path().c_str())) std::abort();
    FindRandomKey(file, random, state);
  }
}
BENCHMARK(BM_AccessFileOpenFindClose);

// The first line at or after the key by binary search over byte offsets,
// each probe moved forward to the next line start; then a prefix check.
long MappedLookup(std::string_view text, std::string_view key) {
  size_t lo = 0;
  size_t hi = text.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    size_t start = mid;
    if (mid > 0) {
      const size_t lf = text.find('\n', mid - 1);
      start = lf == std::string_view::npos ? text.size() : lf + 1;
    }
    if (start >= hi) {
      hi = mid;
      continue;
    }
    if (text.compare(start, key.size(), key) < 0) {
      const size_t lf = text.find('\n', start);
      lo = lf == std::string_view::npos ? text.size() : lf + 1;
    } else {
      hi = start;
    }
  }
  return text.compare(lo, key.size(), key) == 0 ? static_cast<long>(lo) : -1;
}

struct Mapping {
  Mapping() {
    const int fd = ::open(Index().path().c_str(), O_RDONLY);
    if (fd < 0) std::abort();
    size = Index().size();
    data = static_cast<const char*>(::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
    ::close(fd);
    if (data == MAP_FAILED) std::abort();
  }
  ~Mapping() { ::munmap(const_cast<char*>(data), size); }
  const char* data;
  size_t size;
};

void BM_MappedBinarySearch(benchmark::State& state) {
  Mapping map;
  const std::string_view text(map.data, map.size);
  std::mt19937 random(1);
  for (auto _ : state) {
    const std::string key = IndexFile::RandomKey(random);
    const long offset = MappedLookup(text, key);
    if (offset < 0) state.SkipWithError("key not found");
    benchmark::DoNotOptimize(offset);
  }
}
BENCHMARK(BM_MappedBinarySearch);

// Reads the file from the start, line by line, until a line starts with the key.
void BM_LinearScan(benchmark::State& state) {
  std::mt19937 random(1);
  std::vector<char> buffer(1 << 16);
  for (auto _ : state) {
    const std::string key = IndexFile::RandomKey(random);
    std::FILE* in = std::fopen(Index().path().c_str(), "rb");
    if (in == nullptr) std::abort();
    long offset = -1;
    long position = 0;
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), in)) {
      if (std::strncmp(buffer.data(), key.c_str(), key.size()) == 0) {
        offset = position;
        break;
      }
      position += static_cast<long>(std::strlen(buffer.data()));
    }
    std::fclose(in);
    if (offset < 0) state.SkipWithError("key not found");
    benchmark::DoNotOptimize(offset);
  }
}
BENCHMARK(BM_LinearScan)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
