#include "platform/ProfileApi.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/DiagnosticSink.h"
#include "tests/common/ScopedHandler.h"
#include "tests/common/TempDir.h"

namespace {

std::string Read(const std::string& file, const char* section, const char* key,
                 const char* defaultValue = "", DWORD size = 256) {
  char buffer[256];
  const DWORD count =
      GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file.c_str());
  EXPECT_EQ(count, std::strlen(buffer));
  return buffer;
}

struct ReadCase {
  const char* content;   // the profile file
  const char* section;   // section asked for
  const char* key;       // key asked for
  const char* expected;  // value read, with default "dflt  "
};

TEST(ProfileFile, ReadsFollowTheWindowsRules) {
  const ReadCase cases[] = {
      // Names match without regard to case; values keep theirs.
      {"[Opt]\r\nDebug=Yes\r\n", "OPT", "debug", "Yes"},
      // Blanks and tabs around names and values are ignored, inside brackets too.
      {"  [ Opt ]\r\n \tDebug \t=  1 \t\r\n", "Opt", "Debug", "1"},
      // One pair of matching outer quotes goes, inner ones stay.
      {"[s]\r\nk=\"a \"b\" c\"\r\n", "s", "k", "a \"b\" c"},
      {"[s]\r\nk='x'\r\n", "s", "k", "x"},
      {"[s]\r\nk=\"x'\r\n", "s", "k", "\"x'"},
      // A key written "k=" reads as the empty text, not as the default.
      {"[s]\r\nk=\r\n", "s", "k", ""},
      // The first copy of a section and of a key wins.
      {"[s]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\n", "s", "k", "first"},
      {"[s]\r\nother=1\r\n[s]\r\nk=later\r\n", "s", "k", "dflt"},
      // Comments, lines without "=" and text before the first section are not keys.
      {"k=top\r\n[s]\r\n;k=comment\r\nk\r\n", "s", "k", "dflt"},
      // The value after the first "=" keeps further "=" signs.
      {"[s]\r\nurl=a=b\r\n", "s", "url", "a=b"},
      // LF-only line ends and a last line without a line end.
      {"[s]\nk=lf\n[t]\nk=end", "t", "k", "end"},
      // A key of another section does not answer.
      {"[s]\r\nk=1\r\n[t]\r\n", "t", "k", "dflt"},
  };
  TempDir dir;
  const std::string file = dir.File("rules.ini");
  for (const ReadCase& c : cases) {
    WriteBytes(file, c.content);
    EXPECT_EQ(Read(file, c.section, c.key, "dflt  "), c.expected) << c.content;
  }
}

TEST(ProfileFile, MissingFileGivesDefaultAndLongValuesAreCut) {
  TempDir dir;
  EXPECT_EQ(Read(dir.File("none.ini"), "s", "k", "def \t"), "def");
  EXPECT_EQ(Read(dir.File("none.ini"), "s", "k", nullptr), "");
  const std::string file = dir.File("long.ini");
  WriteBytes(file, "[s]\r\nk=abcdefgh\r\n");
  EXPECT_EQ(Read(file, "s", "k", "", 4), "abc");
  char buffer[1] = {'x'};
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, 0, file.c_str()), 0u);
  EXPECT_EQ(buffer[0], 'x');
}

TEST(ProfileFile, NullSectionOrKeyListsNames) {
  TempDir dir;
  const std::string file = dir.File("names.ini");
  WriteBytes(file, "[One]\r\na=1\r\nB=2\r\nA=3\r\n;c=4\r\n[two]\r\n[ONE]\r\nz=5\r\n");
  char buffer[64];
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 64, file.c_str()), 8u);
  EXPECT_EQ(std::string(buffer, 9), std::string("One\0two\0\0", 9));
  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer, 64, file.c_str()), 4u);
  EXPECT_EQ(std::string(buffer, 5), std::string("a\0B\0\0", 5));
  // A list that does not fit is cut, still doubly terminated.
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 6, file.c_str()), 4u);
  EXPECT_EQ(std::string(buffer, 6), std::string("One\0\0\0", 6));
  EXPECT_EQ(GetPrivateProfileStringA("none", nullptr, "", buffer, 64, file.c_str()), 0u);
  EXPECT_EQ(std::string(buffer, 2), std::string("\0\0", 2));
}

struct WriteCase {
  const char* before;   // file content, or null for no file
  const char* section;  // section written
  const char* key;      // key written; null deletes the section
  const char* value;    // value written; null deletes the key
  const char* after;    // expected file content, or null for no file
};

TEST(ProfileFile, WritesChangeOnlyTheLineConcerned) {
  const WriteCase cases[] = {
      // A missing file is created with the section and key.
      {nullptr, "s", "k", "v", "[s]\r\nk=v\r\n"},
      // A new section goes at the end, without a blank line.
      {"[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      // ... after a line end added to an unterminated last line.
      {"[a]\nx=1", "b", "k", "v", "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
      // ... or completing a last line that ends in a lone CR.
      {"[a]\r\nx=1\r", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"[a]\r\nx=1\r", "a", "k", "v", "[a]\r\nx=1\r\nk=v\r\n"},
      // A new key goes after the last key of its section; comments and blank
      // lines stay where they are.
      {"[a]\r\nx=1\r\n; note\r\n\r\n[b]\r\ny=2\r\n", "A", "k", "v",
       "[a]\r\nx=1\r\nk=v\r\n; note\r\n\r\n[b]\r\ny=2\r\n"},
      // A section without keys gets the key right after its header.
      {"[a]\r\n; only a comment\r\n", "a", "k", "v", "[a]\r\nk=v\r\n; only a comment\r\n"},
      // An existing key is rewritten in place, keeping its spelling.
      {"; top\n[a]\n  Key = old \nz=1\n", "A", "KEY", "new", "; top\n[a]\nKey=new\r\nz=1\n"},
      // A null value deletes the key; the section header stays.
      {"[a]\r\nk=1\r\nz=2\r\n", "a", "k", nullptr, "[a]\r\nz=2\r\n"},
      // A null key deletes the section with all its lines.
      {"[a]\r\nk=1\r\n;c\r\n[b]\r\nz=2\r\n", "a", nullptr, nullptr, "[b]\r\nz=2\r\n"},
      // Deleting what does not exist changes nothing and creates nothing.
      {nullptr, "a", "k", nullptr, nullptr},
      {"[a]\r\n", "a", "k", nullptr, "[a]\r\n"},
      // An empty value is written as "k=".
      {"[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
  };
  TempDir dir;
  const std::string file = dir.File("write.ini");
  for (const WriteCase& c : cases) {
    std::filesystem::remove(file);
    if (c.before) WriteBytes(file, c.before);
    EXPECT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str()))
        << (c.before ? c.before : "(no file)");
    if (c.after) {
      EXPECT_EQ(ReadBytes(file), c.after) << (c.before ? c.before : "(no file)");
    } else {
      EXPECT_FALSE(std::filesystem::exists(file));
    }
  }
}

TEST(ProfileFile, WrittenValuesReadBackAndFailuresReportZero) {
  TempDir dir;
  const std::string file = dir.File("round.ini");
  ASSERT_TRUE(WritePrivateProfileStringA("OPTION", "Debug", "1", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("option", "Path", "C:\\x y", file.c_str()));
  EXPECT_EQ(Read(file, "Option", "DEBUG"), "1");
  EXPECT_EQ(Read(file, "OPTION", "path"), "C:\\x y");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", dir.File("no/such/dir.ini").c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", file.c_str()));
  // The temporary file never stays behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

std::string LargeProfile(char fill) {
  std::string text = "[big]\r\n";
  for (int i = 0; i < 20000; ++i) {
    text += "key" + std::to_string(i) + "=" + std::string(40, fill) + "\r\n";
  }
  return text;
}

TEST(ProfileFile, FailedWriteLeavesTheOldFileIntact) {
  TempDir dir;
  const std::string file = dir.File("full.ini");
  const std::string old = LargeProfile('a');
  WriteBytes(file, old);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The disk "fills up" after 64 KiB: the new copy cannot be written whole.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{65536, 65536};
    setrlimit(RLIMIT_FSIZE, &limit);
    const BOOL ok = WritePrivateProfileStringA("big", "key1", "changed", file.c_str());
    _exit(ok ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have reported its failure";
  EXPECT_EQ(ReadBytes(file), old);
}

TEST(ProfileFile, KilledWriterNeverLeavesATruncatedFile) {
  TempDir dir;
  const std::string file = dir.File("killed.ini");
  const std::string versionA = LargeProfile('a');
  WriteBytes(file, versionA);
  std::mt19937 random(12345);
  for (int round = 0; round < 8; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        WritePrivateProfileStringA("big", "key19999", std::string(40, i % 2 ? 'a' : 'b').c_str(),
                                   file.c_str());
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 20000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string now = ReadBytes(file);
    ASSERT_EQ(now.size(), versionA.size());
    ASSERT_EQ(now.compare(0, now.size() - 42, versionA, 0, versionA.size() - 42), 0);
    const std::string tail = now.substr(now.size() - 42);
    EXPECT_TRUE(tail == std::string(40, 'a') + "\r\n" || tail == std::string(40, 'b') + "\r\n");
  }
}

// Writes keys "<prefix>0" ... into section "s", each with its own value;
// the number of calls that returned TRUE.
int WriteKeys(const std::string& file, const std::string& prefix, int count) {
  int succeeded = 0;
  for (int i = 0; i < count; ++i) {
    const std::string key = prefix + std::to_string(i);
    succeeded += WritePrivateProfileStringA("s", key.c_str(), ("v" + key).c_str(), file.c_str());
  }
  return succeeded;
}

void ExpectAllKeys(const std::string& file, const std::vector<std::string>& prefixes, int count) {
  for (const std::string& prefix : prefixes) {
    for (int i = 0; i < count; ++i) {
      const std::string key = prefix + std::to_string(i);
      EXPECT_EQ(Read(file, "s", key.c_str(), "lost"), "v" + key);
    }
  }
}

TEST(ProfileFile, ConcurrentWritersFromThreadsLoseNoUpdate) {
  TempDir dir;
  const std::string file = dir.File("threads.ini");
  std::vector<std::thread> writers;
  std::vector<int> succeeded(8);
  std::vector<std::string> prefixes;
  for (int t = 0; t < 8; ++t) prefixes.push_back("t" + std::to_string(t) + "k");
  for (int t = 0; t < 8; ++t) {
    writers.emplace_back([&, t] { succeeded[t] = WriteKeys(file, prefixes[t], 25); });
  }
  for (std::thread& writer : writers) writer.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(succeeded[t], 25) << t;
  ExpectAllKeys(file, prefixes, 25);
}

TEST(ProfileFile, ConcurrentWritersFromProcessesLoseNoUpdate) {
  TempDir dir;
  const std::string file = dir.File("processes.ini");
  std::vector<pid_t> children;
  for (const char* prefix : {"a", "b"}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WriteKeys(file, prefix, 100) == 100 ? 0 : 1);
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write returned FALSE";
  }
  ExpectAllKeys(file, {"a", "b"}, 100);
}

struct HostileName {
  const char* section;  // section written
  const char* key;      // key written
  const char* readAs;   // section/key names that read it back, or null when refused
  const char* readKey;
};

TEST(ProfileFile, NamesThatCouldNeverReadBackAreRefused) {
  const HostileName cases[] = {
      // Blanks around a name are not part of it: the write lands trimmed.
      {" s ", "k", "s", "k"},
      {"\ts", " k\t", "S", "K"},
      // A "]" ends a section name when read; "=" ends a key name; ";" starts
      // a comment and "[" a section line; line ends would split the line.
      {"a]b", "k", nullptr, nullptr},
      {"s", "a=b", nullptr, nullptr},
      {"s", " ;k", nullptr, nullptr},
      {"s", "[k", nullptr, nullptr},
      {"s\r\n[t", "k", nullptr, nullptr},
      {"s", "k\nx", nullptr, nullptr},
  };
  TempDir dir;
  const std::string file = dir.File("names.ini");
  for (const HostileName& c : cases) {
    const std::string before = "[other]\r\nx=1\r\n";
    WriteBytes(file, before);
    std::vector<std::string> reports;
    ScopedHandler recorder(SetDiagnosticHandler, [&reports](DiagnosticLevel, const char* text) {
      reports.emplace_back(text);
    });
    std::string afterFirst;
    for (int round = 0; round < 3; ++round) {
      const BOOL written = WritePrivateProfileStringA(c.section, c.key, "v", file.c_str());
      EXPECT_EQ(written != 0, c.readAs != nullptr) << c.section << "/" << c.key;
      if (round == 0) afterFirst = ReadBytes(file);
      // Writing again never grows the file.
      EXPECT_EQ(ReadBytes(file), afterFirst) << c.section << "/" << c.key;
    }
    if (c.readAs != nullptr) {
      EXPECT_EQ(Read(file, c.readAs, c.readKey, "dflt"), "v") << c.section << "/" << c.key;
      EXPECT_EQ(Read(file, c.section, c.key, "dflt"), "v") << c.section << "/" << c.key;
    } else {
      EXPECT_EQ(afterFirst, before) << c.section << "/" << c.key;
      EXPECT_EQ(reports.size(), 3u) << c.section << "/" << c.key;
    }
  }
  // A value with a line end would add lines of its own.
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v\r\n[evil]\r\nk=1", file.c_str()));
  EXPECT_EQ(Read(file, "evil", "k", "none"), "none");
}

TEST(ProfileFile, LoneCarriageReturnsEndLines) {
  TempDir dir;
  const std::string file = dir.File("cr.ini");
  WriteBytes(file, "[s]\rk=v\r[t]\rx=1\r");
  EXPECT_EQ(Read(file, "s", "k"), "v");
  EXPECT_EQ(Read(file, "t", "x"), "1");
  char names[64];
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", names, 64, file.c_str()), 4u);
  EXPECT_EQ(std::string(names, 5), std::string("s\0t\0\0", 5));
  // A new key goes into the one section; other bytes stay as they were.
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k2", "w", file.c_str()));
  EXPECT_EQ(ReadBytes(file), "[s]\rk=v\rk2=w\r\n[t]\rx=1\r");
  ASSERT_TRUE(WritePrivateProfileStringA("t", "x", "2", file.c_str()));
  EXPECT_EQ(ReadBytes(file), "[s]\rk=v\rk2=w\r\n[t]\rx=2\r\n");
  EXPECT_EQ(Read(file, "s", "k2"), "w");
}

TEST(ProfileFile, ListsManyNamesFirstCopiesOnly) {
  TempDir dir;
  const std::string file = dir.File("many.ini");
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "[S" + std::to_string(i) + "]\r\nk=1\r\n";
  text += "[s0]\r\n[S49999]\r\nk=2\r\n";  // later copies, another case
  WriteBytes(file, text);
  CStringArray names;
  ReadPrivateProfileNames(nullptr, file.c_str(), names);
  ASSERT_EQ(names.GetSize(), 50000);
  EXPECT_EQ(names[0], "S0");
  EXPECT_EQ(names[49999], "S49999");
  ReadPrivateProfileNames("s49999", file.c_str(), names);
  ASSERT_EQ(names.GetSize(), 50001);
  EXPECT_EQ(names[50000], "k");
  EXPECT_EQ(Read(file, "s49999", "k"), "1");
}

// Lists the sections of a file when its thread ends.
struct ListerAtThreadEnd {
  std::string file;
  CStringArray* names = nullptr;
  ~ListerAtThreadEnd() {
    if (names != nullptr) ReadPrivateProfileNames(nullptr, file.c_str(), *names);
  }
};
thread_local ListerAtThreadEnd listerAtThreadEnd;

// Each thread keeps its listing tables for its next listing; a listing made
// while the thread ends, after those tables are gone, still answers in full.
TEST(ProfileFile, ListsNamesInManyThreadsAndWhileAThreadEnds) {
  TempDir dir;
  const std::string file = dir.File("threads.ini");
  WriteBytes(file, "[a]\r\n[B]\r\n[A]\r\n[c]\r\n");
  std::vector<CStringArray> lists(4);
  std::vector<std::thread> threads;
  for (CStringArray& names : lists) {
    threads.emplace_back([&file, &names] {
      // Made first, so that it is destroyed after the tables' guard.
      listerAtThreadEnd.file = file;
      listerAtThreadEnd.names = &names;
      for (int i = 0; i < 3; ++i) ReadPrivateProfileNames(nullptr, file.c_str(), names);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const CStringArray& names : lists) {
    ASSERT_EQ(names.GetSize(), 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(names[i], std::string("aBc").substr(i % 3, 1));
  }
}

}  // namespace

TEST(ProfileFile, ReadsNamesAndValuesAcrossReadBoundariesAndOverlongLines) {
  // Lines of every length up to a few hundred bytes and two lines longer than
  // any read buffer, so that names, values and line ends fall on every side
  // of the boundaries between the reads of a large file.
  const std::string longName(300000, 'N');
  const std::string longValue(400000, 'x');
  std::string text = "k=before any section\n";
  std::vector<std::string> expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "Sec" + std::to_string(i);
    text += i % 3 == 0 ? "\t[ " + name + " ]\n" : "[" + name + "]\r\n";
    text += "k=" + std::string(static_cast<size_t>(i % 397), 'v') + "\r\n";
    expected.push_back(name);
    // A later copy of an earlier section, in other letters' case.
    if (i % 1000 == 999) text += "[SEC" + std::to_string(i / 2) + "]\r\nk=later\r\nz=1\r\n";
    if (i == 10000) {
      text += "[" + longName + "]\r\nk=" + longValue + "\r\n";
      expected.push_back(longName);
    }
  }
  TempDir dir;
  const std::string file = dir.File("large.ini");
  WriteBytes(file, text);

  CStringArray names;
  ReadPrivateProfileNames(nullptr, file.c_str(), names);
  ASSERT_EQ(names.GetSize(), static_cast<int>(expected.size()));
  std::string joined;
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(names[static_cast<int>(i)].str(), expected[i]) << i;
    joined += expected[i] + '\0';
  }
  std::vector<char> buffer(joined.size() + 1);
  ASSERT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), file.c_str()),
            joined.size());
  EXPECT_EQ(std::string(buffer.data(), joined.size()), joined);

  for (int i : {0, 499, 500, 9999, 10001, 19999}) {
    EXPECT_EQ(Read(file, ("sec" + std::to_string(i)).c_str(), "K"),
              std::string(static_cast<size_t>(i % 397), 'v'))
        << i;
  }
  EXPECT_EQ(Read(file, longName.c_str(), "k"), longValue.substr(0, 255));
  CStringArray keys;
  ReadPrivateProfileNames("sec499", file.c_str(), keys);
  ASSERT_EQ(keys.GetSize(), 1);
  EXPECT_EQ(keys[0], "k");
}
