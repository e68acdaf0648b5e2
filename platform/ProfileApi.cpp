#include "platform/ProfileApi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class LineKind { kOther, kSection, kKey };

// One line of a profile file, as offsets into the file's text.
struct ProfileLine {
  size_t begin;            // first byte of the line
  size_t contentEnd;       // end of the text, before CR LF or LF
  size_t end;              // after the line end (== contentEnd on an unterminated last line)
  LineKind kind;           // what the line holds
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed and unquoted
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

ProfileLine Classify(std::string_view text, size_t begin, size_t contentEnd, size_t end) {
  ProfileLine line{begin, contentEnd, end, LineKind::kOther, {}, {}};
  const std::string_view content = Trim(text.substr(begin, contentEnd - begin));
  if (content.empty() || content.front() == ';') return line;
  if (content.front() == '[') {
    std::string_view name = content.substr(1);
    const size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    line.kind = LineKind::kSection;
    line.name = Trim(name);
    return line;
  }
  const size_t equals = content.find('=');
  if (equals == std::string_view::npos) return line;
  line.kind = LineKind::kKey;
  line.name = Trim(content.substr(0, equals));
  std::string_view value = Trim(content.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  line.value = value;
  return line;
}

std::vector<ProfileLine> SplitLines(std::string_view text) {
  std::vector<ProfileLine> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t lf = text.find('\n', begin);
    size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    size_t contentEnd = lf == std::string_view::npos ? text.size() : lf;
    if (contentEnd > begin && text[contentEnd - 1] == '\r') --contentEnd;
    lines.push_back(Classify(text, begin, contentEnd, end));
    begin = end;
  }
  return lines;
}

// Where a section's lines and its named key sit among the lines.
struct Location {
  std::optional<size_t> header;   // index of the first matching section line
  size_t sectionEnd = 0;          // index just after the section's last line
  std::optional<size_t> lastKey;  // index of the section's last key line
  std::optional<size_t> key;      // index of the first matching key line
};

Location Locate(const std::vector<ProfileLine>& lines, const char* section, const char* key) {
  Location where;
  size_t i = 0;
  for (; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kSection && SameName(lines[i].name, section)) break;
  }
  if (i == lines.size()) return where;
  where.header = i;
  for (++i; i < lines.size() && lines[i].kind != LineKind::kSection; ++i) {
    if (lines[i].kind != LineKind::kKey) continue;
    where.lastKey = i;
    if (key && !where.key && SameName(lines[i].name, key)) where.key = i;
  }
  where.sectionEnd = i;
  return where;
}

// What text placed at `end` needs first so that it starts on a line of its
// own: nothing after an LF (or at the start), LF after a lone CR, else CR LF.
std::string LineEndAfter(const std::string& text, size_t end) {
  if (end == 0 || text[end - 1] == '\n') return "";
  return text[end - 1] == '\r' ? "\n" : "\r\n";
}

// Reads the whole file. Absent when it cannot be read; `missing` tells a
// file that does not exist from one that failed.
std::optional<std::string> ReadWholeFile(const std::string& path, bool& missing) {
  missing = false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT;
    return std::nullopt;
  }
  std::string text;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

bool WriteFully(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Replaces `path` by `text`: a new file beside it, flushed, then renamed over
// it, so readers and crashes see either the old or the new content. The new
// file takes the old one's permissions, or the umask's for a new file.
bool ReplaceFile(const std::string& path, std::string_view text) {
  std::string target = path;
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return false;
    target = resolved;
  }
  const bool exists = ::stat(target.c_str(), &info) == 0;
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

  static std::atomic<unsigned> counter{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + (slash == std::string::npos ? "/" : "") + "." + base + "." +
                std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteFully(fd, text);
  if (ok && exists) ok = ::fchmod(fd, info.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here cannot undo it.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// The section names (null section) or the key names of a section, each once
// in first-seen order, every name followed by a zero.
std::string NameList(const std::vector<ProfileLine>& lines, const char* section) {
  std::vector<std::string_view> names;
  const auto seen = [&names](std::string_view name) {
    for (std::string_view known : names) {
      if (SameName(known, name)) return true;
    }
    return false;
  };
  if (section == nullptr) {
    for (const ProfileLine& line : lines) {
      if (line.kind == LineKind::kSection && !seen(line.name)) names.push_back(line.name);
    }
  } else {
    const Location where = Locate(lines, section, nullptr);
    if (where.header) {
      for (size_t i = *where.header + 1; i < where.sectionEnd; ++i) {
        if (lines[i].kind == LineKind::kKey && !seen(lines[i].name)) names.push_back(lines[i].name);
      }
    }
  }
  std::string list;
  for (std::string_view name : names) list.append(name).push_back('\0');
  return list;
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  std::string_view result = defaultValue ? defaultValue : "";
  while (!result.empty() && IsBlank(result.back())) result.remove_suffix(1);
  std::string text;
  bool missing;
  std::optional<std::string> read;
  if (fileName) read = ReadWholeFile(NativePath(fileName), missing);
  if (section == nullptr || key == nullptr) {
    // A list of names, each ended by a zero, the whole ended by one more.
    const std::string list = read ? NameList(SplitLines(*read), section) : std::string();
    if (size < 2) {
      buffer[0] = '\0';
      return 0;
    }
    if (list.size() + 1 > size) {
      std::memcpy(buffer, list.data(), size - 2);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    if (list.empty()) buffer[1] = '\0';
    return static_cast<DWORD>(list.size());
  }
  if (read) {
    text = std::move(*read);
    const std::vector<ProfileLine> lines = SplitLines(text);
    const Location where = Locate(lines, section, key);
    if (where.key) result = lines[*where.key].value;
  }
  const size_t copied = std::min<size_t>(result.size(), size - 1);
  std::memcpy(buffer, result.data(), copied);
  buffer[copied] = '\0';
  return static_cast<DWORD>(copied);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  if (section == nullptr || fileName == nullptr) return 0;
  const std::string path = NativePath(fileName);
  bool missing;
  std::optional<std::string> read = ReadWholeFile(path, missing);
  if (!read && !missing) return 0;
  const std::string text = read ? std::move(*read) : std::string();
  const std::vector<ProfileLine> lines = SplitLines(text);
  const Location where = Locate(lines, section, key);

  // The new content is the old text with one range replaced.
  size_t cutBegin = text.size();
  size_t cutEnd = text.size();
  std::string insert;
  if (key == nullptr) {
    if (!where.header) return 1;
    cutBegin = lines[*where.header].begin;
    cutEnd = where.sectionEnd < lines.size() ? lines[where.sectionEnd].begin : text.size();
  } else if (value == nullptr) {
    if (!where.key) return 1;
    cutBegin = lines[*where.key].begin;
    cutEnd = lines[*where.key].end;
  } else if (where.key) {
    const ProfileLine& line = lines[*where.key];
    cutBegin = line.begin;
    cutEnd = line.end;
    insert = std::string(line.name) + "=" + value + "\r\n";
  } else if (where.header) {
    const ProfileLine& after = lines[where.lastKey ? *where.lastKey : *where.header];
    cutBegin = cutEnd = after.end;
    insert = LineEndAfter(text, after.end);
    insert += std::string(key) + "=" + value + "\r\n";
  } else {
    insert = LineEndAfter(text, text.size());
    insert += "[" + std::string(section) + "]\r\n" + key + "=" + value + "\r\n";
  }
  std::string updated;
  updated.reserve(text.size() + insert.size());
  updated.append(text, 0, cutBegin).append(insert).append(text, cutEnd, std::string::npos);
  return ReplaceFile(path, updated) ? 1 : 0;
}
