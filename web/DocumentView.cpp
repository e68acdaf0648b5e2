#include "web/DocumentView.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/DiagnosticSink.h"
#include "session/Windows1252.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs osx on `sgml` in its own folder (where its DTD is), its XML going to
// `out` and its messages to `messages`; the exit status, -1 when it did not run.
int RunOsx(const fs::path& sgml, const fs::path& out, const fs::path& messages) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, messages.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addchdir_np(&actions, sgml.parent_path().c_str());
  // The XML keeps the element names in capitals, as the style sheets name them.
  const std::string file = sgml.filename().string();
  char* argv[] = {const_cast<char*>("osx"), const_cast<char*>("-xno-nl-in-tag"),
                  const_cast<char*>(file.c_str()), nullptr};
  // The copy osx reads is UTF-8, which it is told.
  std::vector<std::string> settings = {"SP_CHARSET_FIXED=1", "SP_ENCODING=utf-8"};
  std::vector<char*> environment;
  for (std::string& setting : settings) environment.push_back(setting.data());
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::strncmp(*variable, "SP_", 3) != 0) environment.push_back(*variable);
  }
  environment.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "osx", &actions, nullptr, argv, environment.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether `bytes` are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const size_t length = byte < 0x80 ? 1 : byte >= 0xC2 && byte < 0xE0 ? 2
                                       : byte >= 0xE0 && byte < 0xF0   ? 3
                                       : byte >= 0xF0 && byte < 0xF5   ? 4
                                                                       : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    uint32_t point = length == 1 ? byte : byte & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string DocumentView::ViewPath(const std::string& sgmlPath) {
  return fs::path(sgmlPath).replace_extension(".xml").string();
}

std::string DocumentView::Styled(const std::string& xml, const std::string& styleSheet) {
  if (styleSheet.empty()) return xml;
  std::string quoted;
  for (const char c : styleSheet) {
    if (c == '"' || c == '<' || c == '&') continue;
    quoted += c;
  }
  const std::string instruction =
      "<?xml-stylesheet type=\"text/css\" href=\"" + quoted + "\"?>\n";
  size_t at = 0;
  if (xml.rfind("<?xml", 0) == 0) {
    const size_t end = xml.find("?>");
    at = end == std::string::npos ? 0 : end + 2;
    while (at < xml.size() && (xml[at] == '\n' || xml[at] == '\r')) ++at;
  }
  return xml.substr(0, at) + instruction + xml.substr(at);
}

std::string DocumentView::Make(const std::string& sgmlPath, const std::string& styleSheet,
                               std::string& problem) {
  if (sgmlPath.empty()) {
    problem = "the document's SGML file was not made";
    return {};
  }
  const fs::path original = fs::absolute(sgmlPath);
  // The converter writes windows-1252; a file that is already UTF-8 is taken as it is.
  const std::string bytes = ReadAll(original);
  fs::path sgml = original;
  sgml.replace_extension(".utf8.sgml");
  {
    std::ofstream copy(sgml, std::ios::binary | std::ios::trunc);
    copy << (IsUtf8(bytes) ? bytes : Windows1252ToUtf8(bytes));
    if (!copy.flush()) {
      problem = "cannot write " + sgml.string();
      return {};
    }
  }
  const fs::path xml = ViewPath(original.string());
  fs::path messages = original;
  messages.replace_extension(".osx.log");
  const int status = RunOsx(sgml, xml, messages);
  const std::string said = ReadAll(messages);
  std::error_code ignored;
  fs::remove(messages, ignored);
  fs::remove(sgml, ignored);
  if (status != 0) {
    problem = status < 0 ? "osx (OpenSP) is not installed: the document cannot be shown"
                         : "osx refused " + original.filename().string() + ": " + said;
    ReportDiagnostic(DiagnosticLevel::kDebug, ("(DocumentView) " + problem).c_str());
    fs::remove(xml, ignored);
    return {};
  }
  const std::string styled = Styled(ReadAll(xml), styleSheet);
  std::ofstream out(xml, std::ios::binary | std::ios::trunc);
  out << styled;
  if (!out.flush()) {
    problem = "cannot write " + xml.string();
    return {};
  }
  return xml.string();
}
