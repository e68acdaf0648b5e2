#include "support/clAccessFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/CWaitCursor.h"
#include "tests/common/ScopedHandler.h"
#include "tests/common/TempDir.h"

namespace {

// `bytes` written to a file in `dir` and opened for reading.
std::unique_ptr<clAccessFile> Opened(const TempDir& dir, const std::string& bytes) {
  WriteBytes(dir.File("f"), bytes);
  auto file = std::make_unique<clAccessFile>();
  EXPECT_EQ(file->mOpenFileForReading(dir.File("f").c_str()), 1);
  return file;
}

std::vector<std::string> AllGets(const std::string& bytes, int size) {
  TempDir dir;
  const auto file = Opened(dir, bytes);
  std::vector<std::string> lines;
  std::vector<char> buffer(static_cast<size_t>(size));
  while (file->mGets(buffer.data(), size)) lines.emplace_back(buffer.data());
  return lines;
}

TEST(AccessFile, GetsKeepsLineEndsAndSwallowsBlankLinesReadStringKeepsCarriageReturns) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(AllGets("a\r\n\r\n\r\nb\r\n", 256), (Lines{"a\r\n\r\n\r\n", "b\r\n"}));
  // A line longer than the caller's buffer comes back in pieces.
  EXPECT_EQ(AllGets("abcdef\r\n", 4), (Lines{"abc", "def", "\r\n"}));
  // A last line without LF is still returned.
  EXPECT_EQ(AllGets("one\ntwo", 256), (Lines{"one\n", "two"}));
  EXPECT_EQ(AllGets("", 256), Lines{});
  // A buffer with room for the terminator only gets nothing (rather than
  // empty lines forever).
  EXPECT_EQ(AllGets("abc\n", 1), Lines{});
  std::string longLine;
  for (int i = 0; i < 1000; ++i) longLine += static_cast<char>('a' + i % 26);
  const std::string bytes = "short\n" + longLine + "\nafter\n";
  for (int size : {2048, 7}) {
    std::string joined;
    for (const std::string& piece : AllGets(bytes, size)) joined += piece;
    EXPECT_EQ(joined, bytes) << "no text lost with a buffer of " << size;
  }
  // mReadString skips leading line feeds.
  TempDir dir;
  const auto file = Opened(dir, "\n\nab\r\ncd");
  CString line;
  EXPECT_EQ(file->mReadString(line), 1);
  EXPECT_EQ(line, "ab\r");
  EXPECT_EQ(file->mReadString(line), 0);
  EXPECT_EQ(line, "cd");
}

TEST(AccessFile, AppendHoldsTheFileAloneAndDeleteRemovesOnlyTheOpenFile) {
  TempDir dir;
  const std::string path = dir.File("log.txt");
  clAccessFile file;
  EXPECT_EQ(file.mOpenFileForAppend(path.c_str()), 0);  // created empty: 0, the handle stays
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(file.mWriteLine("x"), 1u);
  EXPECT_EQ(file.mCloseFile(), 1);
  EXPECT_EQ(file.mOpenFileForAppend(path.c_str()), 1);
  EXPECT_EQ(file.mGetPosition(), 3u);
  clAccessFile second;  // refused while the first holds the file
  EXPECT_EQ(second.mOpenFileForAppend(path.c_str()), 0);
  EXPECT_EQ(second.mOpenFileForWriting(path.c_str()), 0);
  EXPECT_EQ(second.mWrite("zz", 2), 0u);
  EXPECT_EQ(file.mWriteBlankLine(), 2u);
  EXPECT_EQ(file.mGetLength(), 5u);
  EXPECT_EQ(file.mCloseFile(), 1);
  EXPECT_EQ(ReadBytes(path), "x\r\n\r\n");
  file.mDeleteFile();  // nothing open: nothing deleted
  EXPECT_TRUE(std::filesystem::exists(path));
  ASSERT_EQ(file.mOpenFileForReading(path.c_str()), 1);
  file.mDeleteFile();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(file.mCloseFile(), 0);
}

// A sorted file held in memory, for a straightforward reference search.
struct SortedFile {
  std::string bytes;          // the file
  std::vector<long> offsets;  // where each line starts

  // The line at `offset` up to (not including) the first `end`: its first field or the line.
  std::string Upto(long offset, char end) const {
    const size_t start = static_cast<size_t>(offset);
    return bytes.substr(start, bytes.find(end, start) - start);
  }
  std::string Key(size_t i) const { return Upto(offsets[i], ';'); }
};

// Lines "K<number>;<2 * number>;<filler>" with numbers rising by 1 to 3 and
// fillers of random length, so that probes and windows fall everywhere. With
// `totalSize`, lines are added until the file has exactly that many bytes.
SortedFile MakeSortedFile(size_t lineCount, unsigned seed, size_t maxFiller = 120,
                          size_t minFiller = 0, size_t totalSize = 0) {
  SortedFile file;
  std::mt19937 random(seed);
  long number = 1000000;  // seven digits throughout, so text order is number order
  const std::string fillers(std::max<size_t>(maxFiller, totalSize), 'f');
  char head[64];
  for (size_t i = 0; totalSize ? file.bytes.size() < totalSize : i < lineCount; ++i) {
    number += 1 + static_cast<long>(random() % 3);
    const size_t headLength =
        static_cast<size_t>(std::snprintf(head, sizeof head, "K%ld;%ld;", number, number * 2));
    size_t filler = minFiller + random() % (maxFiller - minFiller + 1);
    const size_t used = file.bytes.size() + headLength + 1;
    if (totalSize && used + filler + headLength + 1 + maxFiller > totalSize) {
      filler = totalSize - used;  // the last line fills the file exactly
    }
    file.offsets.push_back(static_cast<long>(file.bytes.size()));
    file.bytes.append(head, headLength).append(fillers, 0, filler).push_back('\n');
  }
  return file;
}

using FindResult = std::pair<long, std::string>;  // offset (-1: none found), line returned

FindResult Find(clAccessFile& file, const std::string& key, int field, int alphabetic, int complete,
                int near, int wholeLine = 1) {
  std::string copy = key;
  char* line = nullptr;
  const long offset = file.mFind(copy.data(), static_cast<int>(copy.size()), field, ';', &line,
                                 alphabetic, complete, wholeLine, near);
  FindResult result{offset, line ? line : ""};
  delete[] line;
  return result;
}

// The reference: the first line at or after the key (near) or equal to it.
FindResult Reference(const SortedFile& file, const std::string& key, bool near) {
  const auto at = std::lower_bound(
      file.offsets.begin(), file.offsets.end(), key,
      [&file](long offset, const std::string& k) { return file.Upto(offset, ';') < k; });
  if (at == file.offsets.end() || (!near && file.Upto(*at, ';') != key)) return {-1, ""};
  return {*at, file.Upto(*at, '\n')};
}

void CompareWithReference(const SortedFile& sorted, size_t probes, unsigned seed) {
  TempDir dir;
  const auto opened = Opened(dir, sorted.bytes);
  clAccessFile& file = *opened;
  std::mt19937 random(seed);
  for (size_t n = 0; n < probes; ++n) {
    const std::string key = sorted.Key(random() % sorted.offsets.size());
    const FindResult expected = Reference(sorted, key, false);
    // Prefix search over whole lines (the exchange index's mode).
    EXPECT_EQ(Find(file, key + ";", -1, 1, 0, 0), expected) << key;
    // Complete search on field 1, alphabetic.
    EXPECT_EQ(Find(file, key, 1, 1, 1, 0), expected) << key;
    // Complete search on field 2, numeric.
    EXPECT_EQ(Find(file, std::to_string(std::stol(key.substr(1)) * 2), 2, 0, 1, 0), expected)
        << key;
    // Near search: an exact key, and one just after it that names no line.
    EXPECT_EQ(Find(file, key, 1, 1, 0, 1), Reference(sorted, key, true)) << key;
    EXPECT_EQ(Find(file, key + "5", 1, 1, 0, 1), Reference(sorted, key + "5", true)) << key;
    // Absent keys.
    EXPECT_EQ(Find(file, key + "5", 1, 1, 1, 0).first, -1) << key;
    EXPECT_EQ(Find(file, key + "5;", -1, 1, 0, 0).first, -1) << key;
  }
  // Keys before the first and after the last line.
  EXPECT_EQ(Find(file, "A", 1, 1, 0, 1), Reference(sorted, "A", true));
  EXPECT_EQ(Find(file, "Z", 1, 1, 0, 1).first, -1);
  EXPECT_EQ(Find(file, "Z", 1, 1, 1, 0).first, -1);
}

TEST(AccessFileFind, MatchesReferenceOnFilesOfEveryShape) {
  const struct {
    const char* what;
    SortedFile sorted;
    size_t probes;
    unsigned seed;
  } cases[] = {
      {"under one window", MakeSortedFile(40, 1, 40), 40, 2},
      {"several windows", MakeSortedFile(600, 3), 300, 4},
      // Lines of 238 to 248 bytes: the second field of the line after a
      // probe's first LF is often cut by the probe's end.
      {"lines nearly as long as a probe", MakeSortedFile(2000, 8, 230, 220), 300, 9},
      // 16 windows of 4090 bytes: the binary search ends with a span just
      // under 4096 bytes, so lines at its upper end reach past the first 4096.
      {"final span nearly a window", MakeSortedFile(0, 10, 120, 0, 4090 * 16), 300, 11},
      {"millions of lines", MakeSortedFile(2000000, 5, 6), 300, 6},
  };
  ASSERT_LE(cases[0].sorted.bytes.size(), 4096u);
  ASSERT_GT(cases[1].sorted.bytes.size(), 5 * 4096u);
  ASSERT_EQ(cases[3].sorted.bytes.size(), 4090u * 16);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CompareWithReference(c.sorted, c.probes, c.seed);
  }
}

TEST(AccessFileFind, SeesLinesAddedSinceTheLastSearchAndShowsTheWaitCursorMeanwhile) {
  TempDir dir;
  const auto file = Opened(dir, "a;1\nb;2\n");
  std::vector<bool> shown;
  {
    ScopedHandler recorder(SetWaitCursorHandler, [&shown](bool show) { shown.push_back(show); });
    EXPECT_EQ(Find(*file, "b", 1, 1, 1, 0), (FindResult{4, "b;2"}));
    EXPECT_EQ(Find(*file, "c", 1, 1, 1, 0).first, -1);  // not found: another way out
  }
  EXPECT_EQ(shown, (std::vector<bool>{true, false, true, false}));
  std::ofstream(dir.File("f"), std::ios::app) << "c;3\n";
  EXPECT_EQ(Find(*file, "c", 1, 1, 1, 0), (FindResult{8, "c;3"}));
}

TEST(AccessFileFind, ReadsAboutOneProbePerHalvingAndOneWindow) {
  const SortedFile sorted = MakeSortedFile(100000, 7);
  TempDir dir;
  const auto file = Opened(dir, sorted.bytes);
  const int lookups = 200;
  for (int i = 0; i < lookups; ++i) {
    ASSERT_NE(Find(*file, sorted.Key(static_cast<size_t>(i) * 499) + ";", -1, 1, 0, 0).first, -1);
  }
  const double probes = std::log2(static_cast<double>(sorted.bytes.size()) / 4096.0);
  const double minimum = probes * 255 + 4096;
  EXPECT_LT(static_cast<double>(file->mFindBytesRead()) / lookups, 1.5 * minimum);
}

TEST(AccessFileFind, WindowScansFollowTheirModes) {
  // Small hand-made files (under 4 KiB: window only) for the window's corner cases.
  const struct {
    const char *content, *key;
    int field, complete, near, wholeLine;
    FindResult expected;
  } cases[] = {
      // Substring mode: the match moves back to its line start; a CR before
      // the LF stays in the copy.
      {"aa;1\r\nbb;2\r\ncc;3\r\n", "bb", -1, 0, 0, 1, {6, "bb;2\r"}},
      // ... but not at the very start of the text, where the line is cut at CR.
      {"aa;1\r\nbb;2\r\n", "aa", -1, 0, 0, 1, {0, "aa;1"}},
      // Without whole line, the substring match stays at the key.
      {"aa;1\nbb;22\n", "22", -1, 0, 0, 0, {8, "22"}},
      // Complete mode on field 2 without whole line answers the field.
      {"aa;1\nbb;2\n", "2", 2, 1, 0, 0, {8, "2"}},
      // Near mode answers the first line sorting after the key.
      {"aa;1\ncc;3\n", "bb", 1, 0, 1, 0, {5, "cc;3"}},
      // A last line without LF runs to the end of the file.
      {"aa;1\nbb;2", "bb", 1, 1, 0, 1, {5, "bb;2"}},
      // Fields beyond the line's separators are empty, not an overrun.
      {"a\nb\n", "b", 3, 1, 0, 1, {-1, ""}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    EXPECT_EQ(Find(*Opened(dir, c.content), c.key, c.field, 1, c.complete, c.near, c.wholeLine),
              c.expected);
  }
}

TEST(AccessFileFind, FieldsLongerThanTheKeyBufferAreCutNotOverrun) {
  char text[] = "short;x\n";
  std::string longText = std::string(600, 'k') + ";y\n" + "zz;w\n";
  clAccessFile file;
  char key[] = "zz";
  EXPECT_EQ(file.mSearchCompleteString(text, key, 1, ';', 1, 1), nullptr);
  EXPECT_EQ(file.mSearchCompleteString(longText.data(), key, 1, ';', 1, 1), longText.data() + 603);
  char* cursor = longText.data();
  char* start = nullptr;
  std::vector<char> block(256, 'q');
  char* buffer = block.data();
  file.mGetKey(&cursor, ';', &start, &buffer, 1);
  EXPECT_EQ(std::string(buffer), std::string(255, 'k'));
  EXPECT_EQ(cursor - longText.data(), 600);
}

}  // namespace
