#include "support/clAccessFile.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/CWaitCursor.h"
#include "platform/DiagnosticSink.h"

namespace {

constexpr unsigned long kLineBufferSize = 256;  // text bytes of the mGets buffer
constexpr unsigned long kProbeSize = 255;       // bytes read by one binary-search probe
constexpr long kWindowSize = 4096;              // span below which the binary search stops
constexpr size_t kKeyBufferSize = 256;          // field copies: 255 bytes and a zero
// The final window is read in steps of this size until it holds the whole
// line at its upper bound and the line after it, up to kWindowLimit bytes.
constexpr size_t kWindowStep = 4096;
constexpr size_t kWindowLimit = 1 << 20;
constexpr unsigned long kNoPosition = 0xFFFFFFFF;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Text scans run up to `end`, or to the terminating zero when `end` is null,
// and always stop at a zero byte, so that mapped bytes and zero-terminated
// copies give the same answers.
bool More(const char* p, const char* end) { return p != end && *p != '\0'; }

// First byte of field `field` of the line at `line` (fields count from 1; 0
// and -1 mean the line start). For field n >= 2 every separator, CR or LF
// passed counts, until n - 1 have been passed.
const char* FieldStart(const char* line, const char* end, char separator, int field) {
  const char* p = line;
  for (int passed = 0; field >= 2 && passed < field - 1 && More(p, end); ++p) {
    if (*p == separator || IsLineEnd(*p)) ++passed;
  }
  return p;
}

// End of the field that starts at `start`: the next separator, CR or LF; for
// field -1 (the whole line) the next CR or LF.
const char* FieldEnd(const char* start, const char* end, char separator, int field) {
  const char* p = start;
  while (More(p, end) && !IsLineEnd(*p) && (field == -1 || *p != separator)) ++p;
  return p;
}

// The field's length as a key: at most 255 bytes count.
size_t KeyLength(const char* start, const char* end) {
  const size_t length = static_cast<size_t>(end - start);
  return length < kKeyBufferSize - 1 ? length : kKeyBufferSize - 1;
}

// Copies the field as a key (at most 255 bytes) and a zero into `keyBuffer`.
void CopyField(const char* start, const char* end, char* keyBuffer) {
  const size_t length = KeyLength(start, end);
  std::memcpy(keyBuffer, start, length);
  keyBuffer[length] = '\0';
}

// Start of the line after the one at `line`: past its LF and the run of CR
// and LF bytes after it; null when no LF follows.
const char* NextLine(const char* line, const char* end) {
  const char* p = nullptr;
  if (end == nullptr) {
    p = std::strchr(line, '\n');
  } else {
    p = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
    if (p != nullptr && std::memchr(line, '\0', static_cast<size_t>(p - line)) != nullptr) {
      p = nullptr;
    }
  }
  if (p == nullptr) return nullptr;
  while (More(p, end) && IsLineEnd(*p)) ++p;
  return p;
}

// Bytes before the first CR, LF or zero in [text, end).
size_t LineLength(const char* text, const char* end) {
  const char* p = text;
  while (p != end && *p != '\0' && !IsLineEnd(*p)) ++p;
  return static_cast<size_t>(p - text);
}

// Sign of the key against the field as the default mode compares them: the
// first strlen(key) bytes, the field's key copy ending with a zero.
int ComparePrefix(const char* key, size_t keyLength, const char* start, const char* end) {
  const size_t fieldLength = KeyLength(start, end);
  const int order = std::memcmp(key, start, keyLength < fieldLength ? keyLength : fieldLength);
  if (order != 0 || keyLength <= fieldLength) return order;
  return 1;  // the key goes on where the field's copy has its zero
}

// Sign of key against the field in the binary phase.
int CompareProbe(const char* key, size_t keyLength, const char* start, const char* end,
                 int alphabetic, int complete, long keyNumber) {
  if (!complete) return ComparePrefix(key, keyLength, start, end);
  char fieldText[kKeyBufferSize];
  CopyField(start, end, fieldText);
  if (alphabetic) return std::strcmp(key, fieldText);
  const long value = std::atol(fieldText);
  return (keyNumber > value) - (keyNumber < value);
}

// The first line of [text, end) whose field equals the key; its start (or
// the field's start without `wholeLine`), or null.
const char* ScanComplete(const char* text, const char* end, const char* key, int field,
                         char separator, int alphabetic, int wholeLine) {
  const size_t keyLength = std::strlen(key);
  const long keyNumber = std::atol(key);
  char fieldText[kKeyBufferSize];
  for (const char* line = text; line != nullptr && More(line, end); line = NextLine(line, end)) {
    const char* start = FieldStart(line, end, separator, field);
    const char* fieldEnd = FieldEnd(start, end, separator, field);
    bool match = false;
    if (alphabetic) {
      match = KeyLength(start, fieldEnd) == keyLength && std::memcmp(start, key, keyLength) == 0;
    } else {
      CopyField(start, fieldEnd, fieldText);
      match = std::atol(fieldText) == keyNumber;
    }
    if (match) return wholeLine ? line : start;
  }
  return nullptr;
}

// The first line of [text, end) whose field sorts at or after the key (or
// equals it as a number); its start, or null.
const char* ScanNear(const char* text, const char* end, const char* key, int field, char separator,
                     int alphabetic) {
  const long keyNumber = std::atol(key);
  char fieldText[kKeyBufferSize];
  for (const char* line = text; line != nullptr && More(line, end); line = NextLine(line, end)) {
    const char* start = FieldStart(line, end, separator, field);
    CopyField(start, FieldEnd(start, end, separator, field), fieldText);
    const bool match =
        alphabetic ? std::strcmp(key, fieldText) <= 0 : std::atol(fieldText) == keyNumber;
    if (match) return line;
  }
  return nullptr;
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
  // kept out of it while the view lives. The first search after an open reads
  // its few probes and one window with plain reads, because mapping a large
  // index costs far more than that, and clients often open an index for one
  // lookup; a file searched again is worth mapping.
  if (readOnly_ && searchedBefore_ && length != viewLength_) {
    DropView();
    view_ = MapFileView(handle_, length);
    if (view_ != nullptr) viewLength_ = length;
  }
  searchedBefore_ = true;
  return static_cast<unsigned long>(length);
}

int clAccessFile::mCloseFile() {
  DropView();
  readOnly_ = false;
  searchedBefore_ = false;
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
  // Take the name before closing, which frees it.
  char* const name = fileName_;
  fileName_ = nullptr;
  mCloseFile();
  if (name != nullptr && !DeleteFileA(name)) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     (CString("clAccessFile: cannot delete ") + name).c_str());
  }
  delete[] name;
}

unsigned long clAccessFile::ReadAt(unsigned long offset, char* buffer, unsigned long count) {
  if (mSeekFromBegin(static_cast<long>(offset)) != static_cast<long>(offset)) return 0;
  return mRead(buffer, count);
}

const char* clAccessFile::Probe(unsigned long offset, char* buffer, unsigned long* got) {
  if (view_ != nullptr) {
    const unsigned long available = offset < viewLength_ ? viewLength_ - offset : 0;
    *got = kProbeSize < available ? kProbeSize : available;
    findBytesRead_ += *got;
    return view_ + offset;
  }
  *got = ReadAt(offset, buffer, kProbeSize);
  buffer[*got] = '\0';
  findBytesRead_ += *got;
  return buffer;
}

const char* clAccessFile::Extend(unsigned long offset, size_t room, size_t* filled) {
  if (view_ != nullptr) {
    const size_t available = offset < viewLength_ ? viewLength_ - offset : 0;
    const size_t now = room < available ? room : available;
    if (now > *filled) findBytesRead_ += now - *filled;
    *filled = now;
    return view_ + offset;
  }
  if (window_.size() < room + 1) window_.resize(room + 1);
  while (*filled < room) {
    const unsigned long got = ReadAt(offset + *filled, window_.data() + *filled,
                                     static_cast<unsigned long>(room - *filled));
    if (got == 0) break;
    findBytesRead_ += got;
    *filled += got;
  }
  window_[*filled] = '\0';
  return window_.data();
}

char* clAccessFile::CopyLineAt(unsigned long offset) {
  // Read on in probe-sized steps until the line ends or the file does.
  size_t filled = 0;
  size_t length = 0;
  const char* text = nullptr;
  for (size_t room = kProbeSize;; room += kProbeSize) {
    text = Extend(offset, room, &filled);
    length += LineLength(text + length, text + filled);
    if (length < filled || filled < room) break;
  }
  return CopyText(text, length);
}

void clAccessFile::mGetKey(char** cursor, char separator, char** fieldStart, char** keyBuffer,
                           int field) {
  char* start = const_cast<char*>(FieldStart(*cursor, nullptr, separator, field));
  char* end = const_cast<char*>(FieldEnd(start, nullptr, separator, field));
  std::memset(*keyBuffer, 0, kKeyBufferSize);
  CopyField(start, end, *keyBuffer);
  *fieldStart = start;
  *cursor = end;
}

char* clAccessFile::mSearchCompleteString(char* text, char* key, int field, char separator,
                                          int alphabetic, int wholeLine) {
  if (text == nullptr || key == nullptr) return nullptr;
  return const_cast<char*>(
      ScanComplete(text, nullptr, key, field, separator, alphabetic, wholeLine));
}

char* clAccessFile::mSearchNearString(char* text, char* key, int field, char separator,
                                      int alphabetic, int /*wholeLine*/) {
  if (text == nullptr || key == nullptr) return nullptr;
  return const_cast<char*>(ScanNear(text, nullptr, key, field, separator, alphabetic));
}

long clAccessFile::mFind(char* key, int /*keyLength*/, int field, char separator, char** line,
                         int alphabetic, int complete, int wholeLine, int near) {
  if (key == nullptr || line == nullptr || handle_ == nullptr) return -1;
  // A search of a large file on slow media takes a while: the wait cursor
  // shows until the search returns, whichever way it does.
  CWaitCursor waitCursor;
  if (complete && near) near = 0;
  // A mapped file is held with a read lock, which keeps this library's
  // writers out, so its mapped length is trusted: asking the system for the
  // length on every search would cost more than the search. Another program
  // may still have appended to it; that can only matter when the mapped
  // bytes gave no answer or the search ran into their end, and then the
  // length is read again and the search repeated over the whole file.
  const bool trusted = view_ != nullptr;
  const unsigned long length = trusted ? viewLength_ : PrepareSearch();
  if (length == kNoPosition) return -1;
  char* const untouched = *line;
  bool reachedEnd = false;
  long found = Search(key, field, separator, line, alphabetic, complete, wholeLine, near, length,
                      &reachedEnd);
  if (!trusted || (found >= 0 && !reachedEnd)) return found;
  const unsigned long current = PrepareSearch();
  if (current == length || current == kNoPosition) return found;
  if (found >= 0) {
    char* const stale = *line;
    delete[] stale;
    *line = untouched;
  }
  found = Search(key, field, separator, line, alphabetic, complete, wholeLine, near, current,
                 &reachedEnd);
  return found;
}

struct clAccessFile::SearchQuery {
  const char* key;
  size_t keyLength;  // strlen(key)
  long keyNumber;    // atol(key) when the key is a number
  // Bytes of a field that a comparison looks at: the default mode compares
  // only the key's length, so the field's end is not searched for beyond it.
  size_t needed;
  int field;
  char separator;
  int alphabetic;
  int complete;
  int wholeLine;
  int near;
};

long clAccessFile::Search(const char* key, int field, char separator, char** line, int alphabetic,
                          int complete, int wholeLine, int near, unsigned long length,
                          bool* reachedEnd) {
  const size_t keyLength = std::strlen(key);
  const SearchQuery query{
      key,
      keyLength,
      alphabetic ? 0 : std::atol(key),
      complete || keyLength > kKeyBufferSize - 1 ? kKeyBufferSize - 1 : keyLength,
      field,
      separator,
      alphabetic,
      complete,
      wholeLine,
      near};
  long lo = 0;
  long hi = static_cast<long>(length);
  long found = -1;
  if (Narrow(query, line, &lo, &hi, &found)) return found;
  return ScanWindow(query, lo, hi, line, reachedEnd);
}

bool clAccessFile::Narrow(const SearchQuery& search, char** line, long* lo, long* hi, long* found) {
  // The query and the bounds live in locals while the loop runs: reached
  // through references, they would be read again from memory on every probe.
  const SearchQuery query = search;
  const int field = query.field;
  const char separator = query.separator;
  const size_t needed = query.needed;
  long low = *lo;
  long high = *hi;
  long mid = high / 2;
  char probeBuffer[kProbeSize + 1];
  while (high - low > kWindowSize) {
    unsigned long got = 0;
    const char* probe = Probe(static_cast<unsigned long>(mid), probeBuffer, &got);
    const char* probeEnd = probe + got;
    const char* lf = static_cast<const char*>(std::memchr(probe, '\n', got));
    if (lf == nullptr) {
      *found = -1;
      return true;
    }
    const char* lineStart = lf;
    while (lineStart < probeEnd && IsLineEnd(*lineStart)) ++lineStart;
    const unsigned long lineOffset = static_cast<unsigned long>(mid) + (lineStart - probe);
    const char* start = FieldStart(lineStart, probeEnd, separator, field);
    const char* stop = static_cast<size_t>(probeEnd - start) > needed ? start + needed : probeEnd;
    const char* end = FieldEnd(start, stop, separator, field);
    if (end == probeEnd && got == kProbeSize) {
      // The probe cut the line before its field ended: probe again from the
      // line start so that the comparison sees the field whole.
      probe = Probe(lineOffset, probeBuffer, &got);
      probeEnd = probe + got;
      lineStart = probe;
      start = FieldStart(lineStart, probeEnd, separator, field);
      stop = static_cast<size_t>(probeEnd - start) > needed ? start + needed : probeEnd;
      end = FieldEnd(start, stop, separator, field);
    }
    const int order = CompareProbe(query.key, query.keyLength, start, end, query.alphabetic,
                                   query.complete, query.keyNumber);
    if (order > 0) {
      low = mid;
      mid = mid + (high - mid) / 2;
    } else if (order < 0) {
      high = mid;
      mid = mid - (mid - low) / 2;
    } else {
      // The found text runs to the line end, read in full when the probe cut it.
      const unsigned long textOffset =
          lineOffset + static_cast<unsigned long>(query.wholeLine ? 0 : start - lineStart);
      *line = CopyLineAt(textOffset);
      *found = static_cast<long>(lineOffset);
      return true;
    }
  }
  *lo = low;
  *hi = high;
  return false;
}

long clAccessFile::ScanWindow(const SearchQuery& query, long lo, long hi, char** line,
                              bool* reachedEnd) {
  // The window from lo holds every line that may start at or before hi; it
  // reaches on until it also holds the line after the one at hi, so that no
  // line the search may answer is cut.
  size_t room = kWindowSize + kProbeSize;
  size_t filled = 0;
  const char* window = Extend(static_cast<unsigned long>(lo), room, &filled);
  for (;;) {
    const size_t upper = static_cast<size_t>(hi - lo);
    const char* first =
        upper < filled ? static_cast<const char*>(std::memchr(window + upper, '\n', filled - upper))
                       : nullptr;
    const char* second =
        first ? static_cast<const char*>(std::memchr(first + 1, '\n', window + filled - first - 1))
              : nullptr;
    if (second != nullptr || filled < room || room > kWindowLimit) break;
    room += kWindowStep;
    window = Extend(static_cast<unsigned long>(lo), room, &filled);
  }
  *reachedEnd = filled < room;
  // The scans stop at the first zero byte, as they would in a copy.
  const char* zero = static_cast<const char*>(std::memchr(window, '\0', filled));
  const char* windowEnd = zero != nullptr ? zero : window + filled;
  const char* text = window;
  if (lo != 0) {
    text = NextLine(window, windowEnd);
    if (text == nullptr) return -1;
  }

  const char* match = nullptr;
  const char* matchEnd = nullptr;
  if (query.complete) {
    match = ScanComplete(text, windowEnd, query.key, query.field, query.separator, query.alphabetic,
                         query.wholeLine);
  } else if (query.near) {
    match = ScanNear(text, windowEnd, query.key, query.field, query.separator, query.alphabetic);
  } else {
    match = static_cast<const char*>(
        memmem(text, static_cast<size_t>(windowEnd - text), query.key, query.keyLength));
    if (match == text) {
      matchEnd = match + LineLength(match, windowEnd);
    } else if (match != nullptr && query.wholeLine) {
      while (match > text && !IsLineEnd(match[-1])) --match;
    }
  }
  if (match == nullptr) return -1;
  if (matchEnd == nullptr) {
    matchEnd =
        static_cast<const char*>(std::memchr(match, '\n', static_cast<size_t>(windowEnd - match)));
    if (matchEnd == nullptr) matchEnd = windowEnd;
  }
  *line = CopyText(match, static_cast<size_t>(matchEnd - match));
  return lo + (match - window);
}
