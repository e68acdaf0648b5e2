#include "platform/ProfileApi.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DiagnosticSink.h"
#include "platform/ThreadCache.h"

namespace {

constexpr size_t kNoPosition = std::string_view::npos;

enum class LineKind { kOther, kSection, kKey };

// One line of a profile file, as offsets into the file's text.
struct ProfileLine {
  size_t begin;            // first byte of the line
  size_t end;              // after the line end (== text size on an unterminated last line)
  LineKind kind;           // what the line holds
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed and unquoted
};

template <typename Word>
Word Load(const char* bytes) {
  Word word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// `word` with its ASCII capitals made small, eight bytes at once: in each
// byte below 0x80, 0x20 is added when its value lies from 'A' to 'Z'.
uint64_t FoldWord(uint64_t word) {
  const uint64_t low = word & ~kHighBits;
  // The high bit of each byte of these tells low >= 'A' and low > 'Z'; no
  // sum carries into the next byte.
  const uint64_t fromA = low + (0x80 - 'A') * kOnes;
  const uint64_t pastZ = low + (0x80 - 'Z' - 1) * kOnes;
  const uint64_t capitals = fromA & ~pastZ & ~word & kHighBits;
  return word | (capitals >> 2);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

unsigned char Fold(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  size_t i = 0;
  for (; i + 8 <= a.size(); i += 8) {
    if (FoldWord(Load<uint64_t>(a.data() + i)) != FoldWord(Load<uint64_t>(b.data() + i))) {
      return false;
    }
  }
  for (; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

// The first byte at or after `from` that is one of `wanted`, or the text's
// size. Eight bytes are looked at a time: a byte equal to a wanted one turns
// into a zero byte after an exclusive or, and the borrow trick marks the
// first zero byte of a word exactly (it may mark bytes after it too, never
// before).
template <char... wanted>
size_t FindFirstOf(std::string_view text, size_t from) {
  const auto zeros = [](uint64_t x) { return (x - kOnes) & ~x & kHighBits; };
  size_t at = from;
  if constexpr (std::endian::native == std::endian::little) {
    for (; at + 8 <= text.size(); at += 8) {
      const uint64_t word = Load<uint64_t>(text.data() + at);
      const uint64_t found = (zeros(word ^ (kOnes * static_cast<unsigned char>(wanted))) | ...);
      if (found != 0) return at + static_cast<size_t>(std::countr_zero(found) / 8);
    }
  }
  while (at < text.size() && ((text[at] != wanted) && ...)) ++at;
  return at;
}

// The first line end (CR or LF) at or after `from`, or the text's size.
size_t FindLineEnd(std::string_view text, size_t from) {
  return FindFirstOf<'\r', '\n'>(text, from);
}

// Where the line whose content ends at `contentEnd` ends: after its LF, CR
// LF or lone CR, or at the text's end.
size_t LineEndAfter(std::string_view text, size_t contentEnd) {
  if (contentEnd == text.size()) return contentEnd;
  return contentEnd +
         (text[contentEnd] == '\r' && contentEnd + 1 < text.size() && text[contentEnd + 1] == '\n'
              ? 2
              : 1);
}

// The line that starts at `begin`. A line ends at LF, CR LF or a lone CR.
ProfileLine LineAt(std::string_view text, size_t begin) {
  const size_t contentEnd = FindLineEnd(text, begin);
  ProfileLine line{begin, LineEndAfter(text, contentEnd), LineKind::kOther, {}, {}};
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

// The section line that starts at `begin`, or a kOther line at the text's
// end for kNoPosition: as LineAt reads it, in one pass over the name.
ProfileLine SectionLineAt(std::string_view text, size_t begin) {
  if (begin == kNoPosition) return ProfileLine{text.size(), text.size(), LineKind::kOther, {}, {}};
  size_t at = begin;
  while (IsBlank(text[at])) ++at;
  const size_t nameBegin = ++at;  // after the "["
  const size_t nameEnd = FindFirstOf<']', '\r', '\n'>(text, nameBegin);
  // Most section lines end right after their "]".
  const bool endsAfterName =
      nameEnd + 1 < text.size() && text[nameEnd] == ']' && IsLineEnd(text[nameEnd + 1]);
  at = endsAfterName ? nameEnd + 1 : FindLineEnd(text, nameEnd);
  return ProfileLine{begin,
                     LineEndAfter(text, at),
                     LineKind::kSection,
                     Trim(text.substr(nameBegin, nameEnd - nameBegin)),
                     {}};
}

// The start of the first section line at or after `from`, a line start, or
// kNoPosition. Only the "[" bytes are looked at: one is a section line's when
// nothing but blanks stands between it and the start of its line, so the
// search runs at memchr's speed over the keys between sections.
size_t FindSectionLine(std::string_view text, size_t from) {
  size_t at = from;
  while (at < text.size()) {
    const void* found = std::memchr(text.data() + at, '[', text.size() - at);
    if (found == nullptr) return kNoPosition;
    const size_t bracket = static_cast<size_t>(static_cast<const char*>(found) - text.data());
    size_t start = bracket;
    while (start > from && IsBlank(text[start - 1])) --start;
    if (start == from || IsLineEnd(text[start - 1])) return start;
    at = bracket + 1;
  }
  return kNoPosition;
}

// The lines of the first section named `name`: its section line and the
// lines up to the next section line.
struct Section {
  ProfileLine header;
  size_t end;  // start of the next section line, or the text's size
};

std::optional<Section> FindSection(std::string_view text, std::string_view name) {
  for (size_t at = FindSectionLine(text, 0); at != kNoPosition;) {
    const ProfileLine header = LineAt(text, at);
    const size_t next = FindSectionLine(text, header.end);
    if (SameName(header.name, name))
      return Section{header, next == kNoPosition ? text.size() : next};
    at = next;
  }
  return std::nullopt;
}

// Calls `visit` with every key line of `section`, in file order, until it
// answers false.
template <typename Visit>
void ForEachKey(std::string_view text, const Section& section, Visit visit) {
  for (size_t at = section.header.end; at < section.end;) {
    const ProfileLine line = LineAt(text, at);
    if (line.kind == LineKind::kKey && !visit(line)) return;
    at = line.end;
  }
}

// The tables of one name listing. Each thread keeps the tables of its last
// listing for the next one, up to kKeptTableBytes: a client that lists a
// large profile again (its section names, then each section's keys) would
// otherwise have fresh pages faulted in for them on every call.
struct NameTables {
  std::string text;               // the names, each followed by a zero
  std::vector<size_t> starts;     // where each name starts in text
  std::vector<uint32_t> hashes;   // each name's hash
  std::vector<uint64_t> seen;     // a bit per slot: some name's hash chose it
  std::vector<uint32_t> repeats;  // slots chosen again

  size_t CapacityBytes() const {
    return text.capacity() + starts.capacity() * sizeof(size_t) +
           hashes.capacity() * sizeof(uint32_t) + seen.capacity() * sizeof(uint64_t) +
           repeats.capacity() * sizeof(uint32_t);
  }
};

constexpr size_t kKeptTableBytes = 16u << 20;

void DeleteTables(NameTables* tables) { delete tables; }

// A listing made by another thread-local's destructor after the thread's
// cache has closed frees its tables.
using SpareTables = ThreadCache<NameTables, &DeleteTables>;

std::unique_ptr<NameTables> TakeSpareTables() {
  std::unique_ptr<NameTables> tables(SpareTables::Take());
  if (!tables) return std::make_unique<NameTables>();
  tables->text.clear();
  tables->starts.clear();
  tables->hashes.clear();
  tables->seen.clear();
  tables->repeats.clear();
  return tables;
}

void GiveSpareTables(std::unique_ptr<NameTables> tables) {
  if (tables->CapacityBytes() <= kKeptTableBytes && SpareTables::Keep(tables.get())) {
    (void)tables.release();
  }
}

// The names of a list, compared as profile names are (ASCII case ignored).
// A name is appended as the scan meets it, copied while its line is still in
// the cache (so that the file's text need not outlive the scan), with a
// hash of its folded bytes. At the end each hash chooses a slot in a bitmap
// with at least 16 slots per name, small enough to stay in the cache: a
// name whose slot no earlier name chose can have no earlier copy, so only
// the few names in slots chosen twice are compared, after a sort that brings
// equal hashes side by side. Time and memory stay linear in the number of
// names up to 16 million names, where the bitmap stops growing.
class NameSet {
 public:
  NameSet() : tables_(TakeSpareTables()) {}
  ~NameSet() { GiveSpareTables(std::move(tables_)); }
  NameSet(const NameSet&) = delete;
  NameSet& operator=(const NameSet&) = delete;

  void Add(std::string_view name) {
    hashes_.push_back(static_cast<uint32_t>(Hash(name) >> 32));
    starts_.push_back(text_.size());
    text_.append(name).push_back('\0');
  }

  // Makes room for `count` names of `bytes` bytes in all.
  void Reserve(size_t count, size_t bytes) {
    hashes_.reserve(count);
    starts_.reserve(count);
    text_.reserve(bytes);
  }

  // Drops every name equal to an earlier one; the rest keep their order.
  void DropLaterCopies() {
    size_t slots = kFirstSlots;
    while (slots < hashes_.size() * kSlotsPerName && slots < kMostSlots) slots *= 2;
    seen_.assign(slots / 64, 0);
    for (const uint32_t hash : hashes_) Choose(hash);
    if (repeats_.empty()) return;
    // The names whose slot was chosen again, by hash, in file order within
    // one hash.
    std::fill(seen_.begin(), seen_.end(), 0);
    for (const uint32_t slot : repeats_) seen_[slot / 64] |= uint64_t{1} << (slot % 64);
    struct Suspect {
      uint32_t hash;
      size_t index;
      bool operator<(const Suspect& other) const {
        return hash != other.hash ? hash < other.hash : index < other.index;
      }
    };
    std::vector<Suspect> suspects;
    const uint32_t mask = static_cast<uint32_t>(seen_.size() * 64 - 1);
    for (size_t i = 0; i < hashes_.size(); ++i) {
      const uint32_t slot = hashes_[i] & mask;
      if (seen_[slot / 64] >> (slot % 64) & 1) suspects.push_back(Suspect{hashes_[i], i});
    }
    std::sort(suspects.begin(), suspects.end());
    std::vector<bool> dropped;
    std::vector<size_t> kept;  // first copies met in the current run of equal hashes
    for (size_t run = 0; run < suspects.size();) {
      size_t end = run + 1;
      while (end < suspects.size() && suspects[end].hash == suspects[run].hash) ++end;
      // Distinct names share a run only when their hashes collide.
      kept.assign(1, suspects[run].index);
      for (size_t i = run + 1; i < end; ++i) {
        const size_t index = suspects[i].index;
        const bool copy = std::any_of(kept.begin(), kept.end(), [&](size_t first) {
          return SameName(Name(first), Name(index));
        });
        if (!copy) {
          kept.push_back(index);
          continue;
        }
        if (dropped.empty()) dropped.resize(starts_.size());
        dropped[index] = true;
      }
      run = end;
    }
    if (!dropped.empty()) Compact(dropped);
  }

  size_t size() const { return starts_.size(); }
  // The name added `index`-th.
  std::string_view Name(size_t index) const {
    const size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
    return std::string_view(text_).substr(starts_[index], end - 1 - starts_[index]);
  }
  // The names in order, each followed by a zero.
  std::string_view List() const { return text_; }

 private:
  static constexpr size_t kSlotsPerName = 16;
  static constexpr size_t kFirstSlots = 1024;
  static constexpr size_t kMostSlots = size_t{1} << 28;  // a bitmap of 32 MB

  // Marks the slot of `hash`, noting it when an earlier name chose it.
  void Choose(uint32_t hash) {
    const uint32_t slot = hash & static_cast<uint32_t>(seen_.size() * 64 - 1);
    uint64_t& word = seen_[slot / 64];
    const uint64_t bit = uint64_t{1} << (slot % 64);
    if ((word & bit) != 0) repeats_.push_back(slot);
    word |= bit;
  }

  // Removes the names marked in `dropped`, moving the others forward.
  void Compact(const std::vector<bool>& dropped) {
    size_t names = 0;
    size_t bytes = 0;
    for (size_t i = 0; i < starts_.size(); ++i) {
      if (dropped[i]) continue;
      const size_t begin = starts_[i];
      const size_t end = i + 1 < starts_.size() ? starts_[i + 1] : text_.size();
      std::memmove(text_.data() + bytes, text_.data() + begin, end - begin);
      starts_[names++] = bytes;
      bytes += end - begin;
    }
    starts_.resize(names);
    text_.resize(bytes);
  }

  // The folded bytes taken eight at a time, each word multiplied in, then
  // mixed so that the high half, whose low bits choose the slot, depends on
  // every byte: names that differ only in their last characters (KEY_1,
  // KEY_2, ...) must not crowd together. The bytes are read with whole loads only (the
  // last word overlaps the one before): bytes copied into a word one by one
  // would stall the load that reads the word back.
  static uint64_t Hash(std::string_view name) {
    constexpr uint64_t kOdd = 0x9E3779B97F4A7C15ull;
    const char* bytes = name.data();
    const size_t size = name.size();
    uint64_t hash = (size + 1) * kOdd;
    const auto mix = [&hash](uint64_t word) {
      hash = (hash ^ FoldWord(word)) * kOdd;
      hash ^= hash >> 32;
    };
    if (size >= 8) {
      size_t at = 0;
      for (; at + 8 <= size; at += 8) mix(Load<uint64_t>(bytes + at));
      if (at < size) mix(Load<uint64_t>(bytes + size - 8));
    } else if (size >= 4) {
      mix(Load<uint32_t>(bytes) | static_cast<uint64_t>(Load<uint32_t>(bytes + size - 4)) << 32);
    } else if (size > 0) {
      mix(static_cast<unsigned char>(bytes[0]) |
          static_cast<uint64_t>(static_cast<unsigned char>(bytes[size / 2])) << 8 |
          static_cast<uint64_t>(static_cast<unsigned char>(bytes[size - 1])) << 16);
    }
    // Each mix ends by folding the high half into the low one; one more
    // product carries every low bit into the high half, which is used.
    return hash * 0xbf58476d1ce4e5b9ull;
  }
  std::unique_ptr<NameTables> tables_;
  std::string& text_ = tables_->text;
  std::vector<size_t>& starts_ = tables_->starts;
  std::vector<uint32_t>& hashes_ = tables_->hashes;
  std::vector<uint64_t>& seen_ = tables_->seen;
  std::vector<uint32_t>& repeats_ = tables_->repeats;
};

// A whole file's bytes, read without first zeroing a buffer for them.
class FileText {
 public:
  std::string_view view() const { return {data_.get(), size_}; }

  // Reads the file. False when it cannot be read; `missing` then tells a
  // file that does not exist from one that failed, and errno says why.
  bool Read(const std::string& path, bool& missing) {
    missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      missing = errno == ENOENT;
      return false;
    }
    struct stat info;
    size_t capacity =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<size_t>(info.st_size) + 1 : 4096;
    data_.reset(new char[capacity]);
    size_ = 0;
    for (;;) {
      if (size_ == capacity) {
        // The file grew since fstat: make room and read on.
        std::unique_ptr<char[]> larger(new char[capacity * 2]);
        std::memcpy(larger.get(), data_.get(), size_);
        data_ = std::move(larger);
        capacity *= 2;
      }
      const ssize_t n = ::read(fd, data_.get() + size_, capacity - size_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
      }
      if (n == 0) break;
      size_ += static_cast<size_t>(n);
    }
    ::close(fd);
    return true;
  }

 private:
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
};

void Report(std::string_view operation, const std::string& why) {
  const std::string message = std::string(operation) + ": " + why;
  ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
}

std::string ErrorText(int error) { return std::strerror(error); }

// A file read in blocks of whole lines through one buffer reused from block
// to block, so that each byte is looked at right after the read brought it,
// while it is still in the cache, and no buffer the size of the file is
// needed. A line longer than the buffer makes the buffer grow to hold it.
class LineBlocks {
 public:
  LineBlocks() = default;
  ~LineBlocks() {
    if (fd_ >= 0) ::close(fd_);
  }
  LineBlocks(const LineBlocks&) = delete;
  LineBlocks& operator=(const LineBlocks&) = delete;

  // Opens the file. False when it cannot be opened; `missing` then tells a
  // file that does not exist from one that failed, and errno says why.
  bool Open(const std::string& path, bool& missing) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    missing = fd_ < 0 && errno == ENOENT;
    struct stat info;
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && info.st_size > 0) {
      fileSize_ = static_cast<size_t>(info.st_size);
    }
    return fd_ >= 0;
  }
  // The file's size when it was opened; 0 when unknown.
  size_t fileSize() const { return fileSize_; }

  // The next block: whole lines with their line ends, except that the last
  // block may end without one. False at the end of the file and on a read
  // error, which failed() then tells, with errno saying why.
  bool Next(std::string_view& block) {
    // The cut line at the end of the last block starts the next one.
    const size_t kept = size_ - used_;
    if (kept > 0) std::memmove(data_.get(), data_.get() + used_, kept);
    size_ = kept;
    used_ = 0;
    size_t scanned = 0;  // bytes at the start known to hold no line end
    for (;;) {
      if (atEnd_) {
        if (size_ == 0) return false;
        used_ = size_;
        block = std::string_view(data_.get(), size_);
        return true;
      }
      if (size_ == capacity_) Grow();
      const ssize_t n = ::read(fd_, data_.get() + size_, capacity_ - size_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        failed_ = true;
        return false;
      }
      if (n == 0) {
        atEnd_ = true;
        continue;
      }
      size_ += static_cast<size_t>(n);
      size_t cut = size_;
      while (cut > scanned && !IsLineEnd(data_[cut - 1])) --cut;
      if (cut > scanned) {
        used_ = cut;
        block = std::string_view(data_.get(), cut);
        return true;
      }
      scanned = size_;
    }
  }

  bool failed() const { return failed_; }

 private:
  // Small enough to stay in a core's cache next to the caller's tables.
  static constexpr size_t kBlockSize = 128 * 1024;

  void Grow() {
    const size_t capacity = capacity_ == 0 ? kBlockSize : capacity_ * 2;
    std::unique_ptr<char[]> larger(new char[capacity]);
    if (size_ > 0) std::memcpy(larger.get(), data_.get(), size_);
    data_ = std::move(larger);
    capacity_ = capacity;
  }

  int fd_ = -1;
  size_t fileSize_ = 0;
  std::unique_ptr<char[]> data_;
  size_t capacity_ = 0;
  size_t size_ = 0;  // bytes in data_
  size_t used_ = 0;  // bytes of data_ handed out in the last block
  bool atEnd_ = false;
  bool failed_ = false;
};

// What the reader of a profile does after a section line.
enum class AtSection { kSkip, kEnter, kStop };

// Reads the profile `fileName` once, front to back, telling `onBlock(block,
// fileSize)` of each block of lines before their visits: `onSection(name)` for
// each section line tells whether the key lines that follow it go to
// `onKey(line)`, which answers false to stop. The lines of skipped sections
// are passed over at memchr's speed. The names and lines given are valid
// during the call only. False for a missing file and for one that cannot be
// read (which is reported); the visits made before a read error are then
// void.
template <typename OnBlock, typename OnSection, typename OnKey>
bool WalkProfile(const char* fileName, OnBlock onBlock, OnSection onSection, OnKey onKey) {
  if (fileName == nullptr) return false;
  LineBlocks blocks;
  bool missing = false;
  if (!blocks.Open(NativePath(fileName), missing)) {
    if (!missing) {
      Report("GetPrivateProfileStringA",
             std::string("cannot read ") + fileName + ": " + ErrorText(errno));
    }
    return false;
  }
  bool inside = false;
  std::string_view block;
  while (blocks.Next(block)) {
    onBlock(block, blocks.fileSize());
    for (size_t at = 0; at < block.size();) {
      const ProfileLine line =
          inside ? LineAt(block, at) : SectionLineAt(block, at = FindSectionLine(block, at));
      if (line.kind == LineKind::kOther && !inside) break;  // no section line in the block
      at = line.end;
      if (line.kind == LineKind::kSection) {
        const AtSection next = onSection(line.name);
        if (next == AtSection::kStop) return true;
        inside = next == AtSection::kEnter;
      } else if (line.kind == LineKind::kKey && !onKey(line)) {
        return true;
      }
    }
  }
  if (blocks.failed()) {
    Report("GetPrivateProfileStringA",
           std::string("cannot read ") + fileName + ": " + ErrorText(errno));
    return false;
  }
  return true;
}

// Whether a section line names the section asked for: only its first copy
// counts, so the walk stops at the next section line after it.
class SectionMatch {
 public:
  explicit SectionMatch(const char* section) : wanted_(Trim(section)) {}
  AtSection operator()(std::string_view name) {
    if (seen_) return AtSection::kStop;
    if (!SameName(name, wanted_)) return AtSection::kSkip;
    seen_ = true;
    return AtSection::kEnter;
  }

 private:
  std::string_view wanted_;
  bool seen_ = false;
};

// Adds to `names` the section names (null section) or the key names of a
// section, first copies only, in file order. False as WalkProfile.
bool ListNames(const char* fileName, const char* section, NameSet& names) {
  bool read = false;
  const auto ignoreBlock = [](std::string_view, size_t) {};
  if (section == nullptr) {
    // After the first block, room is made for as many names as the whole
    // file holds at the first block's rate, so that the lists seldom grow;
    // at most one name per 64 bytes of file, a fraction of the file's size
    // in memory whatever the first block holds.
    size_t firstBlock = 0;  // its size; SIZE_MAX once room is made
    const auto reserve = [&](std::string_view block, size_t fileSize) {
      if (firstBlock == 0) {
        firstBlock = block.size();
        return;
      }
      if (firstBlock < fileSize) {
        const double scale = static_cast<double>(fileSize) / static_cast<double>(firstBlock);
        names.Reserve(std::min(static_cast<size_t>(names.size() * scale), fileSize / 64),
                      std::min(static_cast<size_t>(names.List().size() * scale), fileSize / 4));
      }
      firstBlock = SIZE_MAX;
    };
    read = WalkProfile(
        fileName, reserve,
        [&names](std::string_view name) {
          names.Add(name);
          return AtSection::kSkip;
        },
        [](const ProfileLine&) { return true; });
  } else {
    read = WalkProfile(fileName, ignoreBlock, SectionMatch(section),
                       [&names](const ProfileLine& line) {
                         names.Add(line.name);
                         return true;
                       });
  }
  if (read) names.DropLaterCopies();
  return read;
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

// The folder of `path`, with its trailing slash ("./" for a bare name).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Replaces `target` by `text`: a new file beside it, flushed, then renamed
// over it, so readers and crashes see either the old or the new content. The
// new file takes the old one's permissions, or the umask's for a new file.
// False with errno set when the old file stays as it was.
bool ReplaceFile(const std::string& target, std::string_view text) {
  struct stat info;
  const bool exists = ::stat(target.c_str(), &info) == 0;
  const std::string folder = FolderOf(target);
  const size_t slash = target.rfind('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

  static std::atomic<unsigned> counter{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + "." + base + "." + std::to_string(::getpid()) + "." +
                std::to_string(counter++) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteFully(fd, text);
  if (ok && exists) ok = ::fchmod(fd, info.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    errno = error;
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

// An exclusive advisory lock (flock) on a profile's folder, held from the
// read of the profile to the rename of its new copy, so that no two writers,
// threads or processes, update profiles of one folder at the same time and
// none loses the other's change. The folder rather than the file is locked:
// the file is replaced on every write and may not exist yet, and a lock on
// it would also meet the locks that emulate Windows' sharing modes.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd_);
      fd_ = -1;
      errno = error;
      return;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Why a write of `section`/`key`/`value` could never be read back, or null
// when it can. Trimmed names are the names the reader matches.
const char* RefusedName(std::string_view section, const char* key, const char* value) {
  if (section.find(']') != std::string_view::npos) {
    return "a section name with \"]\" never reads back";
  }
  if (section.find_first_of("\r\n") != std::string_view::npos) {
    return "a section name cannot hold a line end";
  }
  if (key != nullptr) {
    const std::string_view name = Trim(key);
    if (name.find('=') != std::string_view::npos) return "a key name with \"=\" never reads back";
    if (!name.empty() && (name.front() == ';' || name.front() == '[')) {
      return "a key name starting with \";\" or \"[\" is not read as a key";
    }
    if (name.find_first_of("\r\n") != std::string_view::npos) {
      return "a key name cannot hold a line end";
    }
  }
  if (value != nullptr && std::strpbrk(value, "\r\n") != nullptr) {
    return "a value cannot hold a line end";
  }
  return nullptr;
}

// What text placed at `end` needs first so that it starts on a line of its
// own: nothing at the start of the file or after a line end, except that a
// CR ending the file gets its LF (it is taken for a cut CR LF); else CR LF.
std::string_view LineEndBefore(std::string_view text, size_t end) {
  if (end == 0 || text[end - 1] == '\n') return "";
  if (text[end - 1] == '\r') return end == text.size() ? "\n" : "";
  return "\r\n";
}

// The profile as it will be after the write, or nothing when the write
// changes nothing.
std::optional<std::string> Updated(std::string_view text, std::string_view section, const char* key,
                                   const char* value) {
  const std::optional<Section> found = FindSection(text, section);
  // The new content is the old text with one range replaced.
  size_t cutBegin = text.size();
  size_t cutEnd = text.size();
  std::string insert;
  if (key == nullptr) {
    if (!found) return std::nullopt;
    cutBegin = found->header.begin;
    cutEnd = found->end;
  } else {
    const std::string_view name = Trim(key);
    std::optional<ProfileLine> match;
    std::optional<ProfileLine> last;
    if (found) {
      ForEachKey(text, *found, [&](const ProfileLine& line) {
        if (!match && SameName(line.name, name)) match = line;
        last = line;
        return true;
      });
    }
    if (value == nullptr) {
      if (!match) return std::nullopt;
      cutBegin = match->begin;
      cutEnd = match->end;
    } else if (match) {
      cutBegin = match->begin;
      cutEnd = match->end;
      insert.append(match->name).append("=").append(value).append("\r\n");
    } else if (found) {
      cutBegin = cutEnd = (last ? *last : found->header).end;
      insert.append(LineEndBefore(text, cutEnd));
      insert.append(name).append("=").append(value).append("\r\n");
    } else {
      insert.append(LineEndBefore(text, text.size()));
      insert.append("[").append(section).append("]\r\n");
      insert.append(name).append("=").append(value).append("\r\n");
    }
  }
  std::string updated;
  updated.reserve(text.size() - (cutEnd - cutBegin) + insert.size());
  updated.append(text.substr(0, cutBegin)).append(insert).append(text.substr(cutEnd));
  return updated;
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  if (section == nullptr || key == nullptr) {
    // A list of names, each ended by a zero, the whole ended by one more.
    if (size < 2) {
      buffer[0] = '\0';
      return 0;
    }
    NameSet names;
    const std::string_view list =
        ListNames(fileName, section, names) ? names.List() : std::string_view();
    if (list.size() > size - 1) {
      // Cut: as much as fits, still doubly terminated.
      std::memcpy(buffer, list.data(), size - 2);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    if (!list.empty()) std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    if (list.empty()) buffer[1] = '\0';
    return static_cast<DWORD>(list.size());
  }
  const std::string_view wanted = Trim(key);
  std::optional<size_t> copied;
  const auto ignoreBlock = [](std::string_view, size_t) {};
  WalkProfile(fileName, ignoreBlock, SectionMatch(section), [&](const ProfileLine& line) {
    if (!SameName(line.name, wanted)) return true;
    // The line's bytes go with the block: the value is copied out now.
    copied = std::min<size_t>(line.value.size(), size - 1);
    std::memcpy(buffer, line.value.data(), *copied);
    return false;
  });
  if (!copied) {
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
    copied = std::min<size_t>(fallback.size(), size - 1);
    std::memcpy(buffer, fallback.data(), *copied);
  }
  buffer[*copied] = '\0';
  return static_cast<DWORD>(*copied);
}

void ReadPrivateProfileNames(const char* section, const char* fileName, CStringArray& names) {
  NameSet found;
  if (!ListNames(fileName, section, found)) return;
  names.SetSize(names.GetSize(), static_cast<int>(found.size()));
  for (size_t i = 0; i < found.size(); ++i) names.Add(CString(found.Name(i)));
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  constexpr std::string_view kOperation = "WritePrivateProfileStringA";
  if (section == nullptr || fileName == nullptr) {
    Report(kOperation, section == nullptr ? "no section given" : "no file given");
    return 0;
  }
  const std::string_view sectionName = Trim(section);
  if (const char* why = RefusedName(sectionName, key, value)) {
    Report(kOperation, std::string(why) + "; [" + section + "] " + (key ? key : "") +
                           " not written to " + fileName);
    return 0;
  }
  // A link is followed: its target is the file replaced, and the lock is on
  // the target's folder, which writers through other links share.
  std::string target = NativePath(fileName);
  struct stat info;
  if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(target.c_str(), resolved) == nullptr) {
      Report(kOperation, "cannot follow the link " + target + ": " + ErrorText(errno));
      return 0;
    }
    target = resolved;
  }
  const FolderLock lock(FolderOf(target));
  if (!lock.held()) {
    Report(kOperation, "cannot lock the folder of " + target + ": " + ErrorText(errno));
    return 0;
  }
  FileText file;
  bool missing = false;
  if (!file.Read(target, missing) && !missing) {
    Report(kOperation, "cannot read " + target + ": " + ErrorText(errno));
    return 0;
  }
  const std::optional<std::string> updated = Updated(file.view(), sectionName, key, value);
  if (!updated) return 1;  // nothing to delete
  if (!ReplaceFile(target, *updated)) {
    Report(kOperation, "cannot replace " + target + ": " + ErrorText(errno));
    return 0;
  }
  return 1;
}
