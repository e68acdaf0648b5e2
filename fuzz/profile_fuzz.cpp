// Reads arbitrary profile files, then writes a key into them and checks that
// it reads back while every other section keeps answering as before.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/ProfileApi.h"

namespace {

// A scratch file of this process, removed when the fuzzer exits.
const std::string& FilePath() {
  static const std::string path = "/tmp/sorrel-profile-fuzz-" + std::to_string(::getpid()) + ".ini";
  // Registered after `path` is built, so it runs before `path` goes away.
  static const bool cleanup = std::atexit([] { std::remove(path.c_str()); }) == 0;
  (void)cleanup;
  return path;
}

void WriteInput(const uint8_t* data, size_t size) {
  std::FILE* out = std::fopen(FilePath().c_str(), "wb");
  if (out == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
}

std::string ReadValue(const char* section, const char* key, DWORD size) {
  char buffer[512];
  const DWORD count =
      GetPrivateProfileStringA(section, key, "none", buffer, size, FilePath().c_str());
  if (count >= size) std::abort();  // the copy must fit with its terminator
  return std::string(buffer, count);
}

// The section names, listed both ways: no name twice (case ignored), and
// the caller's buffer holds the same names as the array.
void CheckSectionNames() {
  CStringArray names;
  ReadPrivateProfileNames(nullptr, FilePath().c_str(), names);
  std::set<std::string> folded;
  std::string joined;
  for (int i = 0; i < names.GetSize(); ++i) {
    std::string name = names[i].str();
    joined.append(name).push_back('\0');
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (!folded.insert(name).second) std::abort();
  }
  std::string buffer(joined.size() + 2, 'x');
  const DWORD count = GetPrivateProfileStringA(
      nullptr, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), FilePath().c_str());
  if (count != joined.size() || buffer.compare(0, count, joined) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteInput(data, size);
  const DWORD bufferSize = size > 0 ? 1 + data[0] % 255 : 16;
  for (const char* section : {"fz", "FZ", "a", "OPTION"}) {
    for (const char* key : {"key", "Debug", "a", ""}) ReadValue(section, key, bufferSize);
  }
  CheckSectionNames();
  const std::string otherBefore = ReadValue("a", "a", 512);
  const std::string value = "written" + std::to_string(size);
  if (!WritePrivateProfileStringA("fz", "key", value.c_str(), FilePath().c_str())) std::abort();
  if (ReadValue("fz", "key", 512) != value) std::abort();
  if (ReadValue("a", "a", 512) != otherBefore) std::abort();
  if (!WritePrivateProfileStringA("fz", "key", nullptr, FilePath().c_str())) std::abort();
  if (ReadValue("a", "a", 512) != otherBefore) std::abort();
  return 0;
}
