// Profile files of 10 MB: listing the section names, listing the keys of a
// section and reading one key, side by side with the floor of any of them,
// reading the whole file into memory, and with the least any section lister
// that reads the file must do. Two shapes: 50,000 sections of four keys, and
// one section of 200,000 keys.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    // Written in one piece, as this library's profile writer replaces a
    // file: how a file was written decides how fast the kernel copies it out
    // of the page cache (a file written 4 KB at a time reads at about a
    // third of the speed here), and so the floor.
    std::string text;
    char line[128];
    if (oneSection) text += "[ALL]\r\n";
    for (int n = 0; n < 50000; ++n) {
      if (!oneSection) text.append(line, std::snprintf(line, sizeof line, "[SECTION_%05d]\r\n", n));
      for (int k = 0; k < 4; ++k) {
        text.append(line, std::snprintf(line, sizeof line,
                                        "Key_%d_%05d=C:\\Sorrel\\Data\\Volume%d\\file%05d.dat\r\n",
                                        k, n, k, n));
      }
    }
    std::FILE* out = std::fopen(path_.c_str(), "wb");
    if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size())
      std::abort();
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

// The least a lister that reads the file must do: read it in 128 KB blocks,
// find each "[" at a line start and copy the name up to its "]". No blanks,
// lone CRs or copies are looked for; the library's lister does all three.
void BM_ListSectionNamesLeastWork(benchmark::State& state) {
  constexpr size_t kBlock = 128 * 1024;
  std::unique_ptr<char[]> block(new char[kBlock]);
  std::string names;
  for (auto _ : state) {
    names.clear();
    size_t count = 0;
    const int fd = ::open(Sections().path().c_str(), O_RDONLY);
    if (fd < 0) {
      state.SkipWithError("cannot open the profile");
      return;
    }
    size_t kept = 0;
    ssize_t n;
    while ((n = ::read(fd, block.get() + kept, kBlock - kept)) > 0) {
      const size_t size = kept + static_cast<size_t>(n);
      size_t cut = size;
      while (cut > 0 && block[cut - 1] != '\n') --cut;
      const char* end = block.get() + cut;
      for (const char* at = block.get();
           (at = static_cast<const char*>(std::memchr(at, '[', end - at))) != nullptr;) {
        if (at != block.get() && at[-1] != '\n') {
          ++at;
          continue;
        }
        const char* name = ++at;
        while (at < end && *at != ']' && *at != '\n') ++at;
        names.append(name, at).push_back('\0');
        ++count;
      }
      kept = size - cut;
      std::memmove(block.get(), end, kept);
    }
    ::close(fd);
    if (count != 50000) state.SkipWithError("wrong number of sections");
    benchmark::DoNotOptimize(names.data());
  }
}
BENCHMARK(BM_ListSectionNamesLeastWork)->Unit(benchmark::kMillisecond);

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
