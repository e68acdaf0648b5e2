// Every subcommand of the tool given a bad file argument: a missing file, an
// empty file, a directory, garbage bytes, or an output under a regular file
// (or onto a directory). Each run must end with one line on standard error
// that names the path, exit status 1, and the work folder exactly as it was:
// nothing removed, changed or half-written, no output folder made. The exit
// statuses seen here and those of the command-line errors must be the ones
// README.md's table gives.
//
// Not in the table, having no file argument: post, login, bases, info,
// query, check, file (its FILE names a file on the server), md5, encode,
// decode, version. patent's --xhtml style sheet is covered up to its content,
// which only the Java runtime reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "tests/tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;

// Every entry under `root` with its bytes ("/" for a folder).
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).string();
    entries[name] = entry.is_directory() ? "/" : ReadBytes(entry.path().string());
  }
  return entries;
}

std::string Garbage() {
  std::mt19937 random(23);
  std::string bytes(4096, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

// A record whose header is sound and whose page data is not Group 4.
std::string GarbagePage() {
  std::string record(256, ' ');
  record.replace(191, 14, "29721005660400");
  const std::string data = Garbage().substr(0, 2000);
  for (int i = 0; i < 4; ++i) record[248 + i] = static_cast<char>((data.size() >> (8 * i)) & 0xFF);
  return record + data;
}

// A PNG file of a few bytes whose header claims 100000 x 100000 pixels.
std::string HugePng() {
  const auto chunk = [](const std::string& type, const std::string& data) {
    std::string bytes = type + data;
    uint32_t crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
      crc ^= static_cast<uint8_t>(byte);
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    const auto big = [](uint32_t n) {
      return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                         static_cast<char>(n >> 8), static_cast<char>(n)};
    };
    return big(static_cast<uint32_t>(data.size())) + bytes + big(~crc);
  };
  const std::string size("\x00\x01\x86\xA0", 4);  // 100000
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         chunk("IHDR", size + size + std::string("\x08\x02\x00\x00\x00", 5)) + chunk("IDAT", "xx") +
         chunk("IEND", "");
}

enum Kind : unsigned {
  kMissing = 1,      // the argument names nothing
  kEmpty = 2,        // an empty file
  kDirectory = 4,    // a folder
  kGarbage = 8,      // 4 KB of random bytes
  kUnderFile = 16,   // an output path below a regular file
  kOntoFolder = 32,  // an output path that is an existing folder
  kInputs = kMissing | kEmpty | kDirectory | kGarbage,
};

// "BAD" in the arguments stands for the hostile path.
struct Case {
  std::vector<std::string> arguments;
  unsigned kinds;
  std::string garbageSays;  // what the line says of garbage bytes
  std::string garbage = Garbage();
};

const std::vector<Case>& Table() {
  static const std::vector<Case> table = {
      {{"tiff", "BAD"}, kInputs, "is not a CROFT record"},
      {{"tiff", "--png", "BAD", "-o", "new/folder"},
       kGarbage,
       "is not a CROFT record",
       GarbagePage()},
      {{"tiff", "page.croft", "-o", "BAD"}, kUnderFile, ""},
      {{"croft", "make", "BAD", "new.croft"}, kInputs, "is not a PNG picture"},
      {{"croft", "make", "BAD", "new.croft"}, kGarbage, "is too large", HugePng()},
      {{"croft", "make", "stamp.png", "BAD"}, kUnderFile | kOntoFolder, ""},
      {{"bitmap", "draw", "BAD", "stamp.png", "new.png"}, kInputs, "is not a PNG picture"},
      {{"bitmap", "draw", "stamp.png", "BAD", "new.png"}, kInputs, "is not a PNG picture"},
      {{"bitmap", "draw", "stamp.png", "stamp.png", "BAD"}, kUnderFile | kOntoFolder, ""},
      {{"sgml", "BAD", "doc.ktf", "-o", "new"}, kInputs, "Syntax error"},
      {{"sgml", "--check", "BAD"}, kInputs, "Syntax error"},
      {{"sgml", "patent.tpl", "BAD", "-o", "new/folder"}, kInputs, "is not a KTF document"},
      {{"sgml", "patent.tpl", "doc.ktf", "-o", "BAD"}, kUnderFile, ""},
      {{"stylesheet", "BAD", "doc.ktf"}, kInputs, "is not a super style sheet"},
      {{"stylesheet", "patents.sss", "BAD"}, kMissing | kEmpty | kDirectory, ""},
      {{"find", "BAD", "key"}, kMissing | kEmpty | kDirectory, ""},
      {{"idx", "BAD", "EP 1000000 A1 "}, kMissing | kGarbage, "is not a directory"},
      {{"translate", "--criteria", "BAD", "a"}, kInputs, "has no \\[CRITERIA\\]"},
      {{"session", "BAD", "--out", "out"}, kInputs, "is not a text file"},
      {{"session", "script", "--criteria", "BAD", "--out", "out"},
       kInputs,
       "has no \\[CRITERIA\\]"},
      {{"session", "script", "--out", "BAD"}, kUnderFile, ""},
      {{"patent", "EP", "1", "A1", "--url", "http://127.0.0.1:9/", "--xhtml", "BAD"},
       kMissing | kEmpty | kDirectory,
       ""},
  };
  return table;
}

// A work folder with a sound file for every argument that is not under test.
void Furnish(const fs::path& work) {
  const fs::path examples = fs::path(SORREL_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "croft/letter.croft", work / "page.croft");
  fs::copy_file(examples / "bitmap/stamp.png", work / "stamp.png");
  fs::copy_file(examples / "documents/minimal.ktf", work / "doc.ktf");
  fs::copy_file(examples / "templates/patent.tpl", work / "patent.tpl");
  fs::copy_file(examples / "stylesheets/patents.sss", work / "patents.sss");
  WriteBytes((work / "script").string(), "..HELP\n");
  WriteBytes((work / "plain").string(), "a regular file\n");
  fs::create_directory(work / "out");
  fs::create_directory(work / "folder");
}

// The hostile path for `kind`, made in `work`.
std::string Prepare(const fs::path& work, Kind kind, const Case& row) {
  const std::string path = "hostile-arg";
  if (kind == kEmpty) WriteBytes((work / path).string(), "");
  if (kind == kDirectory) fs::create_directory(work / path);
  if (kind == kGarbage) WriteBytes((work / path).string(), row.garbage);
  if (kind == kUnderFile) return "plain/sub";
  if (kind == kOntoFolder) return "folder";
  return path;
}

// What the line on standard error says of the hostile path.
std::string Says(Kind kind, const Case& row) {
  static const std::map<Kind, std::string> kSays = {{kMissing, "does not exist"},
                                                    {kEmpty, "is empty"},
                                                    {kDirectory, "is a directory"},
                                                    {kUnderFile, ""},
                                                    {kOntoFolder, "is a directory"}};
  return kind == kGarbage ? row.garbageSays : kSays.at(kind);
}

// README.md's exit-status table: status -> the cell that lists its commands.
std::map<int, std::string> DocumentedStatuses() {
  std::ifstream readme(fs::path(SORREL_SOURCE_DIR) / "README.md");
  std::map<int, std::string> statuses;
  const std::regex row(R"(^\| (\d+) \| .* \| (.*) \|$)");
  bool inSection = false;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("## ", 0) == 0) inSection = line == "## Exit statuses";
    std::smatch match;
    if (inSection && std::regex_match(line, match, row)) statuses[std::stoi(match[1])] = match[2];
  }
  return statuses;
}

void ExpectDocumented(const std::string& command, int status) {
  static const std::map<int, std::string> documented = DocumentedStatuses();
  const auto row = documented.find(status);
  ASSERT_NE(row, documented.end()) << "README.md documents no exit status " << status;
  EXPECT_TRUE(row->second.find("every command") != std::string::npos ||
              row->second.find("`" + command) != std::string::npos)
      << "README.md does not give status " << status << " to " << command;
}

TEST(HostileInput, EveryFileArgumentIsReportedByNameAndNothingIsTouched) {
  for (const Case& row : Table()) {
    for (const Kind kind : {kMissing, kEmpty, kDirectory, kGarbage, kUnderFile, kOntoFolder}) {
      if ((row.kinds & kind) == 0) continue;
      const TempDir work;
      Furnish(work.path());
      const std::string bad = Prepare(work.path(), kind, row);
      std::vector<std::string> arguments = row.arguments;
      std::string shown;
      for (std::string& argument : arguments) {
        if (argument == "BAD") argument = bad;
        shown += argument + " ";
      }
      SCOPED_TRACE("sorrel " + shown);
      const auto before = Snapshot(work.path());
      const ToolRun run = RunTool(arguments, work.path());
      EXPECT_EQ(run.exit, 1);
      ExpectDocumented(row.arguments[0], run.exit);
      ASSERT_FALSE(run.err.empty());
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
      EXPECT_NE(run.err.find(bad), std::string::npos) << run.err;
      EXPECT_TRUE(std::regex_search(run.err, std::regex(Says(kind, row)))) << run.err;
      EXPECT_EQ(Snapshot(work.path()), before) << "the work folder changed";
    }
  }
}

TEST(HostileInput, CommandLineErrorsNameWhatIsWrong) {
  struct CommandLine {
    std::vector<std::string> arguments;
    int exit;
    std::string says;  // on standard error, or standard output for a success
  };
  const std::vector<CommandLine> table = {
      {{"bogus"}, 106, "unknown command bogus"},
      {{"--bogus"}, 106, "unknown option --bogus"},
      {{"tiff", "--bogus", "x"}, 106, "sorrel tiff: unknown option --bogus"},
      {{"--bogus", "tiff", "x"}, 106, "^sorrel: unknown option --bogus"},
      {{"croft", "bogus"}, 106, "sorrel croft: unknown command bogus"},
      {{"md5", "a", "b"}, 106, "unexpected argument b"},
      {{"md5"}, 106, "TEXT is required"},
      {{"sgml", "patent.tpl"}, 106, "give at least one KTF document"},
      {{"post", "http://127.0.0.1:9/", "novalue"}, 106, "NAME=VALUE, not 'novalue'"},
      {{"--version"}, 0, "^SORRELKernel [0-9]+\\.[0-9]+"},
      {{"version"}, 0, "^SORRELKernel [0-9]+\\.[0-9]+"},
  };
  const TempDir work;
  for (const CommandLine& line : table) {
    SCOPED_TRACE("sorrel " + line.arguments[0]);
    const ToolRun run = RunTool(line.arguments, work.path());
    EXPECT_EQ(run.exit, line.exit) << run.err;
    ExpectDocumented(line.arguments[0].substr(line.arguments[0][0] == '-' ? 2 : 0), run.exit);
    const std::string& said = line.exit == 0 ? run.out : run.err;
    EXPECT_TRUE(std::regex_search(said, std::regex(line.says))) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
  }
}

}  // namespace
