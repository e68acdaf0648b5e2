#include "platform/FileApi.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/TempDir.h"

namespace {

HANDLE OpenForWriting(const std::string& path, DWORD creation) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, creation, 0, nullptr);
}

HANDLE OpenForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

TEST(FileApi, WriterWithoutSharingExcludesEveryOtherOpen) {
  TempDir dir;
  const std::string path = dir.File("held.txt");
  WriteBytes(path, "kept");
  HANDLE writer = OpenForWriting(path, OPEN_ALWAYS);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenForWriting(path, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenForReading(path), INVALID_HANDLE_VALUE);
  // A refused CREATE_ALWAYS must not truncate the holder's file.
  EXPECT_EQ(OpenForWriting(path, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadBytes(path), "kept");
  EXPECT_TRUE(CloseHandle(writer));
  HANDLE again = OpenForWriting(path, OPEN_ALWAYS);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

TEST(FileApi, ReadersShareButKeepWritersOut) {
  TempDir dir;
  const std::string path = dir.File("shared.txt");
  WriteBytes(path, "abc");
  HANDLE first = OpenForReading(path);
  HANDLE second = OpenForReading(path);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenForWriting(path, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  CloseHandle(first);
  CloseHandle(second);
  EXPECT_EQ(OpenForReading(dir.File("missing.txt")), INVALID_HANDLE_VALUE);
}

TEST(FileApi, BackslashesAreDirectorySeparators) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  std::string windowsPath = dir.File("sub") + "\\file.txt";
  HANDLE file = OpenForWriting(windowsPath, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "xyz", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  CloseHandle(file);
  EXPECT_EQ(ReadBytes(dir.File("sub/file.txt")), "xyz");
  EXPECT_TRUE(DeleteFileA(windowsPath.c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "sub" / "file.txt"));
  EXPECT_FALSE(DeleteFileA(windowsPath.c_str()));
}

TEST(FileApi, OlderHandleFamilyCreatesWritesSeeksAndReads) {
  TempDir dir;
  const std::string path = dir.File("old.bin");
  HFILE file = _lcreat(path.c_str(), 0);
  ASSERT_NE(file, HFILE_ERROR);
  EXPECT_EQ(_lwrite(file, "header", 6), 6u);
  EXPECT_EQ(_hwrite(file, "-body", 5), 5);
  EXPECT_EQ(_llseek(file, 0, FILE_END), 11);
  EXPECT_EQ(_llseek(file, 2, FILE_BEGIN), 2);
  char buffer[16] = {};
  EXPECT_EQ(_lread(file, buffer, 4), 4u);
  EXPECT_STREQ(buffer, "ader");
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(_lclose(file), HFILE_ERROR);

  HFILE exclusive = _lopen(path.c_str(), OF_READ | OF_SHARE_EXCLUSIVE);
  ASSERT_NE(exclusive, HFILE_ERROR);
  EXPECT_EQ(_lopen(path.c_str(), OF_READ | OF_SHARE_DENY_WRITE), HFILE_ERROR);
  _lclose(exclusive);
  EXPECT_EQ(_lopen(dir.File("absent").c_str(), OF_READ), HFILE_ERROR);
  // A folder is not a file to either family, as on Windows.
  EXPECT_EQ(_lopen(dir.path().c_str(), OF_READ), HFILE_ERROR);
  EXPECT_EQ(CreateFileA(dir.path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        0, nullptr),
            INVALID_HANDLE_VALUE);
  // _lcreat truncates an existing file.
  file = _lcreat(path.c_str(), 0);
  EXPECT_EQ(_llseek(file, 0, FILE_END), 0);
  _lclose(file);
}

}  // namespace
