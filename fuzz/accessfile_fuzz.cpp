// Runs mGets and mFind over arbitrary file contents: mGets must give back the
// file piece by piece, and every text mFind answers must stand in the file at
// the offset it answers.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/clAccessFile.h"

namespace {

// A scratch file of this process, removed when the fuzzer exits.
const std::string& FilePath() {
  static const std::string path = "/tmp/sorrel-accessfile-fuzz-" + std::to_string(::getpid());
  // Registered after `path` is built, so it runs before `path` goes away.
  static const bool cleanup = std::atexit([] { std::remove(path.c_str()); }) == 0;
  (void)cleanup;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte chooses the buffer size, the second the key length; the rest
  // is the file.
  const int bufferSize = 1 + data[0] % 300;
  const size_t keyLength = 1 + data[1] % 16;
  const std::string content(reinterpret_cast<const char*>(data + 2), size - 2);
  std::FILE* out = std::fopen(FilePath().c_str(), "wb");
  if (out == nullptr) std::abort();
  std::fwrite(content.data(), 1, content.size(), out);
  std::fclose(out);
  const bool hasNul = content.find('\0') != std::string::npos;

  clAccessFile file;
  if (file.mOpenFileForReading(FilePath().c_str()) != 1) std::abort();
  std::vector<char> buffer(static_cast<size_t>(bufferSize));
  std::string joined;
  while (file.mGets(buffer.data(), bufferSize)) {
    joined += buffer.data();
    if (joined.size() > content.size()) std::abort();
  }
  if (!hasNul && bufferSize >= 2 && joined != content) std::abort();

  // Keys: the start of the file, and a piece from its middle.
  std::vector<std::string> keys = {content.substr(0, keyLength),
                                   content.substr(content.size() / 2, keyLength)};
  for (std::string key : keys) {
    key = key.c_str();  // a key ends at its first zero
    for (int mode = 0; mode < 5; ++mode) {
      const int complete = mode == 1 || mode == 2;
      const int near = mode == 3;
      const int alphabetic = mode != 2;
      const int field = mode == 0 ? -1 : 1 + mode % 3;
      char* line = nullptr;
      std::string copy = key;
      const long offset = file.mFind(copy.data(), static_cast<int>(copy.size()), field, ';', &line,
                                     alphabetic, complete, 1, near);
      if (offset < 0) {
        if (line != nullptr) std::abort();
        continue;
      }
      if (line == nullptr || static_cast<size_t>(offset) > content.size()) std::abort();
      const size_t length = std::strlen(line);
      if (!hasNul && content.compare(static_cast<size_t>(offset), length, line) != 0) std::abort();
      delete[] line;
    }
  }
  return 0;
}
