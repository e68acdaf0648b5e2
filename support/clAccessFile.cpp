#include "support/clAccessFile.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr unsigned long kLineBufferSize = 256;  // text bytes of the mGets buffer
constexpr unsigned long kProbeSize = 255;       // bytes read by one binary-search probe
constexpr long kWindowSize = 4096;              // span below which the binary search stops
constexpr size_t kKeyBufferSize = 256;          // field copies: 255 bytes and a zero
constexpr size_t kNearScratchSize = 1024;       // key block of mSearchNearString
// The final window is read in steps of this size until it holds the whole
// line at its upper bound and the line after it, up to kWindowLimit bytes.
constexpr size_t kWindowStep = 4096;
constexpr size_t kWindowLimit = 1 << 20;
constexpr unsigned long kNoPosition = 0xFFFFFFFF;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// First byte of field `field` of the line at `line` (fields count from 1; 0
// and -1 mean the line start). For field n >= 2 every separator, CR or LF
// passed counts, until n - 1 have been passed. Stops at the terminating zero.
const char* FieldStart(const char* line, char separator, int field) {
  const char* p = line;
  for (int passed = 0; field >= 2 && passed < field - 1 && *p != '\0'; ++p) {
    if (*p == separator || IsLineEnd(*p)) ++passed;
  }
  return p;
}

// End of the field that starts at `start`: the next separator, CR, LF or zero;
// for field -1 (the whole line) the next CR, LF or zero.
const char* FieldEnd(const char* start, char separator, int field) {
  const char* p = start;
  while (*p != '\0' && !IsLineEnd(*p) && (field == -1 || *p != separator)) ++p;
  return p;
}

// Copies the field into a zeroed 256-byte buffer, at most 255 bytes.
void CopyField(const char* start, const char* end, char* keyBuffer) {
  std::memset(keyBuffer, 0, kKeyBufferSize);
  size_t length = static_cast<size_t>(end - start);
  if (length > kKeyBufferSize - 1) length = kKeyBufferSize - 1;
  std::memcpy(keyBuffer, start, length);
}

// Start of the line after the one at `line`: past its LF and the run of CR
// and LF bytes after it; null when no LF follows.
char* NextLine(char* line) {
  char* lf = std::strchr(line, '\n');
  if (lf == nullptr) return nullptr;
  while (IsLineEnd(*lf)) ++lf;
  return lf;
}

// Sign of key against field in the binary phase.
int CompareProbe(const char* key, const char* field, int alphabetic, int complete, long keyNumber) {
  if (complete && !alphabetic) {
    const long value = std::atol(field);
    return (keyNumber > value) - (keyNumber < value);
  }
  if (complete) return std::strcmp(key, field);
  return std::strncmp(key, field, std::strlen(key));
}

char* CopyText(const char* begin, size_t length) {
  char* copy = new char[length + 1];
  std::memcpy(copy, begin, length);
  copy[length] = '\0';
  return copy;
}

}  // namespace

clAccessFile::clAccessFile()
    : handle_(nullptr),
      fileName_(nullptr),
      readPosition_(nullptr),
      lineBuffer_(nullptr),
      bufferEnd_(nullptr) {}

clAccessFile::~clAccessFile() {
  mCloseFile();
  delete[] lineBuffer_;
}

int clAccessFile::Open(const char* name, DWORD access, DWORD share, DWORD creation, DWORD flags) {
  mCloseFile();
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, 0};
  HANDLE handle = CreateFileA(name, access, share, &security, creation, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  handle_ = handle;
  return 1;
}

void clAccessFile::KeepName(const char* name) {
  delete[] fileName_;
  fileName_ = CopyText(name, std::strlen(name));
}

int clAccessFile::mOpenFileForReading(const char* name) {
  if (!Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN)) {
    return 0;
  }
  KeepName(name);
  readOnly_ = true;
  return 1;
}

int clAccessFile::mOpenFileForAppend(const char* name) {
  if (!Open(name, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN)) return 0;
  const long end = mSeekFromEnd(0);
  if (end == static_cast<long>(kNoPosition)) {
    mCloseFile();
    return 0;
  }
  // An empty file stays open without a name: the caller's cue to write it afresh.
  if (end == 0) return 0;
  KeepName(name);
  return 1;
}

int clAccessFile::mOpenFileForWriting(const char* name) {
  if (!Open(name, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH)) return 0;
  KeepName(name);
  return 1;
}

void clAccessFile::DropView() {
  UnmapFileView(view_, viewLength_);
  view_ = nullptr;
  viewLength_ = 0;
}

unsigned long clAccessFile::PrepareSearch() {
  int64_t size = 0;
  if (!GetFileSizeEx(handle_, &size)) return kNoPosition;
  const size_t length = static_cast<size_t>(size);
  // Only a file held with a read lock is mapped: the library's writers are
  // kept out of it while the view lives.
  if (readOnly_ && length != viewLength_) {
    DropView();
    view_ = MapFileView(handle_, length);
    if (view_ != nullptr) viewLength_ = length;
  }
  return static_cast<unsigned long>(length);
}

int clAccessFile::mCloseFile() {
  DropView();
  readOnly_ = false;
  delete[] fileName_;
  fileName_ = nullptr;
  if (handle_ == nullptr) return 0;
  CloseHandle(handle_);
  handle_ = nullptr;
  return 1;
}

unsigned long clAccessFile::mRead(void* buffer, unsigned long count) {
  if (handle_ == nullptr) return 0;
  DWORD read = 0;
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
  return read;
}

unsigned long clAccessFile::mWrite(const void* buffer, unsigned long count) {
  if (handle_ == nullptr) return 0;
  DWORD written = 0;
  WriteFile(handle_, buffer, static_cast<DWORD>(count), &written, nullptr);
  return written;
}

long clAccessFile::mSeek(long distance, unsigned int method) {
  if (handle_ == nullptr) return static_cast<long>(kNoPosition);
  int64_t position = 0;
  if (!SetFilePointerEx(handle_, distance, &position, method))
    return static_cast<long>(kNoPosition);
  return static_cast<long>(position);
}

long clAccessFile::mSeekFromBegin(long distance) { return mSeek(distance, FILE_BEGIN); }
long clAccessFile::mSeekFromCurrent(long distance) { return mSeek(distance, FILE_CURRENT); }
long clAccessFile::mSeekFromEnd(long distance) { return mSeek(distance, FILE_END); }

unsigned long clAccessFile::mGetPosition() {
  if (handle_ == nullptr) return kNoPosition;
  return static_cast<unsigned long>(mSeekFromCurrent(0));
}

unsigned long clAccessFile::mGetLength() {
  if (handle_ == nullptr) return kNoPosition;
  const long position = mSeekFromCurrent(0);
  const long length = mSeekFromEnd(0);
  mSeekFromBegin(position);
  return static_cast<unsigned long>(length);
}

int clAccessFile::mGets(char* buffer, int size) {
  if (handle_ == nullptr || buffer == nullptr || size < 1) return 0;
  buffer[0] = '\0';
  if (size < 2) return 0;
  const size_t limit = static_cast<size_t>(size - 1);
  if (lineBuffer_ == nullptr) {
    lineBuffer_ = new char[kLineBufferSize + 1];
    readPosition_ = bufferEnd_ = lineBuffer_;
  }
  for (;;) {
    const size_t available = static_cast<size_t>(bufferEnd_ - readPosition_);
    const char* lf = static_cast<const char*>(std::memchr(readPosition_, '\n', available));
    size_t length = 0;
    if (lf != nullptr) {
      // The line keeps its end and swallows the blank lines that follow it.
      const char* end = lf;
      while (end < bufferEnd_ && IsLineEnd(*end)) ++end;
      length = static_cast<size_t>(end - readPosition_);
    } else {
      // Carry the unread text to the front and read more after it, unless it
      // already fills the buffer (a line longer than the buffer comes back in
      // pieces) or the file has ended (the last line has no LF).
      std::memmove(lineBuffer_, readPosition_, available);
      readPosition_ = lineBuffer_;
      bufferEnd_ = lineBuffer_ + available;
      const unsigned long got =
          available < kLineBufferSize ? mRead(bufferEnd_, kLineBufferSize - available) : 0;
      bufferEnd_ += got;
      *bufferEnd_ = '\0';
      if (got > 0) continue;
      if (available == 0) return 0;
      length = available;
    }
    if (length > limit) length = limit;
    std::memcpy(buffer, readPosition_, length);
    buffer[length] = '\0';
    readPosition_ += length;
    return 1;
  }
}

long clAccessFile::mReadString(CString& line) {
  line.Empty();
  char byte;
  while (mRead(&byte, 1) == 1) {
    if (byte != '\n') {
      line += byte;
    } else if (!line.IsEmpty()) {
      return 1;
    }
  }
  return 0;
}

unsigned long clAccessFile::mWriteBlankLine() { return mWrite("\r\n", 2); }

unsigned long clAccessFile::mWriteLine(const CString& text) {
  if (handle_ == nullptr) return 0;
  const unsigned long written = mWrite(text.c_str(), static_cast<unsigned long>(text.GetLength()));
  mWriteBlankLine();
  return written;
}

void clAccessFile::mDeleteFile() {
  if (handle_ == nullptr) return;
  DropView();
  readOnly_ = false;
  CloseHandle(handle_);
  handle_ = nullptr;
  if (fileName_ != nullptr) DeleteFileA(fileName_);
  delete[] fileName_;
  fileName_ = nullptr;
}

unsigned long clAccessFile::ReadAt(unsigned long offset, char* buffer, unsigned long count) {
  if (view_ != nullptr) {
    const unsigned long available = offset < viewLength_ ? viewLength_ - offset : 0;
    const unsigned long got = count < available ? count : available;
    std::memcpy(buffer, view_ + offset, got);
    findBytesRead_ += got;
    return got;
  }
  if (mSeekFromBegin(static_cast<long>(offset)) != static_cast<long>(offset)) return 0;
  const unsigned long got = mRead(buffer, count);
  findBytesRead_ += got;
  return got;
}

void clAccessFile::mGetKey(char** cursor, char separator, char** fieldStart, char** keyBuffer,
                           int field) {
  char* start = const_cast<char*>(FieldStart(*cursor, separator, field));
  char* end = const_cast<char*>(FieldEnd(start, separator, field));
  CopyField(start, end, *keyBuffer);
  *fieldStart = start;
  *cursor = end;
}

char* clAccessFile::mSearchCompleteString(char* text, char* key, int field, char separator,
                                          int alphabetic, int wholeLine) {
  if (text == nullptr || key == nullptr) return nullptr;
  const long keyNumber = std::atol(key);
  char fieldText[kKeyBufferSize];
  for (char* line = text; line != nullptr && *line != '\0'; line = NextLine(line)) {
    const char* start = FieldStart(line, separator, field);
    CopyField(start, FieldEnd(start, separator, field), fieldText);
    const bool match =
        alphabetic ? std::strcmp(fieldText, key) == 0 : std::atol(fieldText) == keyNumber;
    if (match) return wholeLine ? line : const_cast<char*>(start);
  }
  return nullptr;
}

char* clAccessFile::mSearchNearString(char* text, char* key, int field, char separator,
                                      int alphabetic, int /*wholeLine*/) {
  if (text == nullptr || key == nullptr) return nullptr;
  std::vector<char> scratch(kNearScratchSize);
  char* keyBuffer = scratch.data();
  const long keyNumber = std::atol(key);
  for (char* line = text; line != nullptr && *line != '\0'; line = NextLine(line)) {
    char* cursor = line;
    char* start = nullptr;
    mGetKey(&cursor, separator, &start, &keyBuffer, field);
    const bool match =
        alphabetic ? std::strcmp(key, keyBuffer) <= 0 : std::atol(keyBuffer) == keyNumber;
    if (match) return line;
  }
  return nullptr;
}

long clAccessFile::mFind(char* key, int /*keyLength*/, int field, char separator, char** line,
                         int alphabetic, int complete, int wholeLine, int near) {
  if (key == nullptr || line == nullptr || handle_ == nullptr) return -1;
  const long keyNumber = alphabetic ? 0 : std::atol(key);
  if (complete && near) near = 0;
  const unsigned long length = PrepareSearch();
  if (length == kNoPosition) return -1;

  long lo = 0;
  long hi = static_cast<long>(length);
  long mid = hi / 2;
  char probe[kProbeSize + 1];
  char fieldText[kKeyBufferSize];
  while (hi - lo > kWindowSize) {
    unsigned long got = ReadAt(static_cast<unsigned long>(mid), probe, kProbeSize);
    probe[got] = '\0';
    const char* lf = static_cast<const char*>(std::memchr(probe, '\n', got));
    if (lf == nullptr) return -1;
    const char* lineStart = lf;
    while (lineStart < probe + got && IsLineEnd(*lineStart)) ++lineStart;
    unsigned long lineOffset = static_cast<unsigned long>(mid) + (lineStart - probe);
    const char* start = FieldStart(lineStart, separator, field);
    const char* end = FieldEnd(start, separator, field);
    if (end == probe + got && got == kProbeSize) {
      // The probe cut the line before its field ended: read again from the
      // line start so that the comparison sees the field whole.
      got = ReadAt(lineOffset, probe, kProbeSize);
      probe[got] = '\0';
      lineStart = probe;
      start = FieldStart(lineStart, separator, field);
      end = FieldEnd(start, separator, field);
    }
    CopyField(start, end, fieldText);
    const int order = CompareProbe(key, fieldText, alphabetic, complete, keyNumber);
    if (order > 0) {
      lo = mid;
      mid = mid + (hi - mid) / 2;
    } else if (order < 0) {
      hi = mid;
      mid = mid - (mid - lo) / 2;
    } else {
      // The found text runs to the line end, read in full when the probe cut it.
      const unsigned long textOffset =
          lineOffset + static_cast<unsigned long>((wholeLine ? lineStart : start) - lineStart);
      std::string text;
      char chunk[kProbeSize + 1];
      for (unsigned long at = textOffset;;) {
        const unsigned long n = ReadAt(at, chunk, kProbeSize);
        size_t used = 0;
        while (used < n && !IsLineEnd(chunk[used])) ++used;
        text.append(chunk, used);
        if (used < n || n == 0) break;
        at += n;
      }
      *line = CopyText(text.c_str(), std::strlen(text.c_str()));
      return static_cast<long>(lineOffset);
    }
  }

  // The window from lo holds every line that may start at or before hi; it is
  // read on until it also holds the line after the one at hi, so that no line
  // the search may answer is cut.
  size_t room = kWindowSize + kProbeSize;  // bytes the window may hold before growing
  if (window_.size() < room + 1) window_.resize(room + 1);
  size_t filled = ReadAt(static_cast<unsigned long>(lo), window_.data(), room);
  for (;;) {
    const size_t upper = static_cast<size_t>(hi - lo);
    const char* first =
        upper < filled
            ? static_cast<const char*>(std::memchr(window_.data() + upper, '\n', filled - upper))
            : nullptr;
    const char* second = first ? static_cast<const char*>(std::memchr(
                                     first + 1, '\n', window_.data() + filled - first - 1))
                               : nullptr;
    if (second != nullptr || filled < room || room > kWindowLimit) break;
    room += kWindowStep;
    if (window_.size() < room + 1) window_.resize(room + 1);
    const size_t got =
        ReadAt(static_cast<unsigned long>(lo) + filled, window_.data() + filled, kWindowStep);
    filled += got;
    if (got < kWindowStep) break;
  }
  window_[filled] = '\0';
  char* windowStart = window_.data();
  char* text = windowStart;
  if (lo != 0) {
    text = NextLine(windowStart);
    if (text == nullptr) return -1;
  }

  char* match = nullptr;
  char* matchEnd = nullptr;
  if (complete) {
    match = mSearchCompleteString(text, key, field, separator, alphabetic, wholeLine);
  } else if (near) {
    match = mSearchNearString(text, key, field, separator, alphabetic, wholeLine);
  } else {
    match = std::strstr(text, key);
    if (match == text) {
      matchEnd = match;
      while (*matchEnd != '\0' && !IsLineEnd(*matchEnd)) ++matchEnd;
    } else if (match != nullptr && wholeLine) {
      while (match > text && !IsLineEnd(match[-1])) --match;
    }
  }
  if (match == nullptr) return -1;
  if (matchEnd == nullptr) {
    matchEnd = std::strchr(match, '\n');
    if (matchEnd == nullptr) matchEnd = match + std::strlen(match);
  }
  *line = CopyText(match, static_cast<size_t>(matchEnd - match));
  return lo + (match - windowStart);
}
