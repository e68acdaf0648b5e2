// Profile files of 10 MB: listing the section names, listing the keys of a
// section and reading one key, side by side with the floor of any of them,
// reading the whole file into memory. Two shapes: 50,000 sections of four
// keys, and one section of 200,000 keys.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/ProfileApi.h"
#include "support/clAccessConfigFile.h"

namespace {

// A profile written once per run into a temporary folder.
class Profile {
 public:
  explicit Profile(bool oneSection) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sorrel-profile-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    path_ = folder_ + "/big.ini";
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    if (out == nullptr) std::abort();
    if (oneSection) std::fprintf(out, "[ALL]\r\n");
    for (int n = 0; n < 50000; ++n) {
      if (!oneSection) std::fprintf(out, "[SECTION_%05d]\r\n", n);
      for (int k = 0; k < 4; ++k) {
        std::fprintf(out, "Key_%d_%05d=C:\\Sorrel\\Data\\Volume%d\\file%05d.dat\r\n", k, n, k, n);
      }
    }
    std::fclose(out);
  }
  ~Profile() { std::filesystem::remove_all(folder_); }

  const std::string& path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

const Profile& Sections() {
  static const Profile profile(false);
  return profile;
}

const Profile& OneSection() {
  static const Profile profile(true);
  return profile;
}

// The floor: open, size, read the whole file into a new buffer, close.
void ReadWholeFile(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
      state.SkipWithError("cannot open the profile");
      return;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    std::unique_ptr<char[]> data(new char[size]);
    size_t got = 0;
    while (got < size) {
      const ssize_t n = ::read(fd, data.get() + got, size - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(data.get());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}

void BM_ReadWholeFileFloor(benchmark::State& state) { ReadWholeFile(state, Sections().path()); }
BENCHMARK(BM_ReadWholeFileFloor)->Unit(benchmark::kMillisecond);

void BM_ListSectionNames(benchmark::State& state) {
  clAccessConfigFile config(Sections().path().c_str());
  for (auto _ : state) {
    CStringArray names;
    config.mReadSectionNames(names);
    if (names.GetSize() != 50000) state.SkipWithError("wrong number of sections");
  }
}
BENCHMARK(BM_ListSectionNames)->Unit(benchmark::kMillisecond);

void BM_ListSectionNamesIntoBuffer(benchmark::State& state) {
  std::unique_ptr<char[]> buffer(new char[1 << 20]);
  for (auto _ : state) {
    const DWORD length = GetPrivateProfileStringA(nullptr, nullptr, "", buffer.get(), 1 << 20,
                                                  Sections().path().c_str());
    benchmark::DoNotOptimize(length);
  }
}
BENCHMARK(BM_ListSectionNamesIntoBuffer)->Unit(benchmark::kMillisecond);

void BM_ReadKeyOfLastSection(benchmark::State& state) {
  clAccessConfigFile config(Sections().path().c_str());
  for (auto _ : state) {
    CString value;
    if (!config.mRead("section_49999", "KEY_3_49999", value)) {
      state.SkipWithError("the key was not found");
    }
  }
}
BENCHMARK(BM_ReadKeyOfLastSection)->Unit(benchmark::kMillisecond);

void BM_ReadWholeFileFloorOneSection(benchmark::State& state) {
  ReadWholeFile(state, OneSection().path());
}
BENCHMARK(BM_ReadWholeFileFloorOneSection)->Unit(benchmark::kMillisecond);

void BM_ListKeyNamesOfOneSection(benchmark::State& state) {
  clAccessConfigFile config(OneSection().path().c_str());
  for (auto _ : state) {
    CStringArray names;
    config.mReadKeyNames("all", names);
    if (names.GetSize() != 200000) state.SkipWithError("wrong number of keys");
  }
}
BENCHMARK(BM_ListKeyNamesOfOneSection)->Unit(benchmark::kMillisecond);

void BM_ReadLastKeyOfOneSection(benchmark::State& state) {
  clAccessConfigFile config(OneSection().path().c_str());
  for (auto _ : state) {
    CString value;
    if (!config.mRead("ALL", "Key_3_49999", value)) state.SkipWithError("the key was not found");
  }
}
BENCHMARK(BM_ReadLastKeyOfOneSection)->Unit(benchmark::kMillisecond);

}  // namespace
