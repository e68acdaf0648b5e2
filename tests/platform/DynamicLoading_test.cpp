#include "platform/DynamicLoading.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/LastError.h"
#include "tests/common/TempDir.h"

namespace {

// PATH replaced for one scope.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& value)
      : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", value.c_str(), 1);
  }
  ~ScopedPath() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

// A real shared object under a file name of our choosing: the C maths
// library, copied.
std::string CopyOfMathLibrary(const TempDir& dir, const std::string& name) {
  Dl_info info{};
  HMODULE maths = LoadLibraryA("libm.so.6");
  EXPECT_NE(maths, nullptr);
  FARPROC cosine = GetProcAddress(maths, "cos");
  EXPECT_NE(dladdr(reinterpret_cast<void*>(cosine), &info), 0);
  const std::string copy = dir.File(name);
  std::filesystem::copy_file(info.dli_fname, copy);
  EXPECT_TRUE(FreeLibrary(maths));
  return copy;
}

TEST(LoadLibraryA, BareNameIsFoundAlongPathAfterTheLoadersSearch) {
  TempDir empty, holder;
  CopyOfMathLibrary(holder, "Maths.dll");
  ScopedPath path(empty.path().string() + "::" + holder.path().string());
  HMODULE module = LoadLibraryA("Maths.dll");
  ASSERT_NE(module, nullptr);
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(module, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetProcAddress(module, "no_such_function"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(LoadLibraryA, FailuresSetTheWindowsCodes) {
  TempDir dir;
  WriteBytes(dir.File("Broken.dll"), "not an ELF file");
  ScopedPath path(dir.path().string());
  struct Case {
    const char* name;
    DWORD code;
  } cases[] = {
      {"Absent.dll", ERROR_MOD_NOT_FOUND},               // nowhere on the search path
      {"Broken.dll", ERROR_BAD_EXE_FORMAT},              // found on PATH, cannot be loaded
      {"/nonexistent/Absent.dll", ERROR_MOD_NOT_FOUND},  // a path is not searched for
      {"", ERROR_MOD_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryA(c.name), nullptr) << c.name;
    EXPECT_EQ(GetLastError(), c.code) << c.name;
  }
  EXPECT_EQ(GetProcAddress(nullptr, "cos"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(FreeLibrary(nullptr), 0);
}

TEST(LoadLibraryA, CurrentDirectoryIsNotSearchedThroughEmptyPathEntries) {
  TempDir dir;
  CopyOfMathLibrary(dir, "Here.dll");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  {
    ScopedPath path(":");
    EXPECT_EQ(LoadLibraryA("Here.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  }
  std::filesystem::current_path(old);
}

}  // namespace
