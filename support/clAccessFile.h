#pragma once

#include <vector>

#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/FileApi.h"

// The owner of one open file: opens it in one of three modes, reads and
// writes raw bytes, seeks, reads text lines, writes CR LF lines, deletes the
// file it holds, and searches a text file sorted on a key field. Operations
// report failure through their results and never throw. Objects cannot be
// copied: each owns its handle and its buffers.
class SORREL_EXPORT clAccessFile {
 public:
  clAccessFile();
  ~clAccessFile();
  clAccessFile(const clAccessFile&) = delete;
  clAccessFile& operator=(const clAccessFile&) = delete;

  // Opens an existing file for reading, sharing it with other readers only.
  // 1 on success; 0 with no file open otherwise.
  [[nodiscard]] int mOpenFileForReading(const char* name);
  // Opens or creates a file without sharing and moves to its end. 1 when the
  // file is not empty; 0 when it could not be opened (nothing open) or is
  // empty, in which case the handle stays open for writing but no name is
  // kept (so mDeleteFile then has nothing to delete).
  [[nodiscard]] int mOpenFileForAppend(const char* name);
  // Creates or truncates a file without sharing, writes going straight to
  // disk. 1 on success; 0 with no file open otherwise.
  [[nodiscard]] int mOpenFileForWriting(const char* name);
  // 1 when a file was open and is now closed, else 0.
  int mCloseFile();

  // Raw bytes; 0 when no file is open or on error (and at end of file).
  [[nodiscard]] unsigned long mRead(void* buffer, unsigned long count);
  unsigned long mWrite(const void* buffer, unsigned long count);
  // The new position, or 0xFFFFFFFF when no file is open or the seek fails.
  long mSeekFromBegin(long distance);
  long mSeekFromCurrent(long distance);
  long mSeekFromEnd(long distance);
  // The current position / the file's length; 0xFFFFFFFF without a file.
  [[nodiscard]] unsigned long mGetPosition();
  [[nodiscard]] unsigned long mGetLength();

  // The next line, with its line end and any blank lines that follow it, cut
  // to size - 1 bytes (the rest comes with the next call); a last line without
  // LF and the pieces of a line longer than the 256-byte line buffer are
  // returned too. 1 when text was copied; 0 at end of file, with no file open,
  // or when `size` leaves no room for a byte.
  [[nodiscard]] int mGets(char* buffer, int size);
  // The next non-empty line without its LF (a CR stays) in `line`: 1 when an
  // LF ended it, 0 at end of file with whatever text was left in `line`.
  long mReadString(CString& line);
  // CR LF: 2, or 0 when no file is open or the write fails.
  unsigned long mWriteBlankLine();
  // The text then CR LF; returns the bytes of the text written (0 for an
  // empty text), 0 when no file is open.
  unsigned long mWriteLine(const CString& text);
  // Closes and deletes the open file; does nothing without one. A failed
  // delete is reported at debug level to the diagnostic sink.
  void mDeleteFile();

  // Searches the open file, sorted on its lines' key field: a binary search
  // of 255-byte probes, then a scan of a window of about 4 KiB. A file opened
  // for reading is searched in place through a read-only mapping, kept until
  // the file is closed; its length is read again (and the file mapped anew
  // when it changed) only when a search finds nothing or reaches the end of
  // the mapped bytes, so lines appended since are still found. Returns the
  // file offset of what was found and a new zero-terminated copy of it in
  // `*line` (the caller frees it with delete[]), or -1 with `*line`
  // untouched. `keyLength` is not used. See docs/support.md for the modes.
  [[nodiscard]] long mFind(char* key, int keyLength, int field, char separator, char** line,
                           int alphabetic, int complete, int wholeLine, int near);
  // Line scans of a zero-terminated text for the first line whose field equals
  // the key / sorts at or after it; a pointer into `text` or null.
  char* mSearchCompleteString(char* text, char* key, int field, char separator, int alphabetic,
                              int wholeLine);
  char* mSearchNearString(char* text, char* key, int field, char separator, int alphabetic,
                          int wholeLine);
  // Copies field `field` of the line at `*cursor` into `*keyBuffer` (at least
  // 256 bytes, zeroed first, at most 255 copied), sets `*fieldStart` to the
  // field and moves `*cursor` to the byte that ended it.
  void mGetKey(char** cursor, char separator, char** fieldStart, char** keyBuffer, int field);

  // The bytes read from the file by mFind calls since construction (for
  // measuring the search).
  unsigned long long mFindBytesRead() const { return findBytesRead_; }

 private:
  long mSeek(long distance, unsigned int method);
  int Open(const char* name, DWORD access, DWORD share, DWORD creation, DWORD flags);
  void KeepName(const char* name);
  // Reads up to `count` bytes at `offset` through the handle; the count read.
  unsigned long ReadAt(unsigned long offset, char* buffer, unsigned long count);
  // The bytes of one probe at `offset` (up to 255, fewer at the end of the
  // file): in place in the mapping, else read into `buffer` (256 bytes) and
  // zero-terminated. `*got` receives their count.
  const char* Probe(unsigned long offset, char* buffer, unsigned long* got);
  // Makes the first `room` bytes at `offset` (fewer at the end of the file)
  // available and returns where they start: in place in the mapping, else in
  // window_, reading only what lies past the `*filled` bytes already there.
  // `*filled` receives the count now available.
  const char* Extend(unsigned long offset, size_t room, size_t* filled);
  // A new zero-terminated copy of the text at `offset` up to its line's end.
  char* CopyLineAt(unsigned long offset);
  // The file's length for mFind, mapping the file from its second search on
  // when it is open for reading, and remapping it when its length has changed.
  unsigned long PrepareSearch();
  // mFind over the first `length` bytes of the file; `*reachedEnd` is set
  // when the final window ran into the end of those bytes.
  long Search(const char* key, int field, char separator, char** line, int alphabetic, int complete,
              int wholeLine, int near, unsigned long length, bool* reachedEnd);
  // The key and modes of one search, with what they imply for comparing.
  struct SearchQuery;
  // The binary phase: halves [*lo, *hi) by probes until at most 4096 bytes
  // remain. True when a probe settled the search: `*found` is then the
  // offset of the line found (its text copied into `*line`) or -1.
  bool Narrow(const SearchQuery& search, char** line, long* lo, long* hi, long* found);
  // The window phase: scans the lines from `lo` that may start up to `hi`
  // for the key; the offset found (its text copied into `*line`) or -1.
  // `*reachedEnd` is set when the window ran into the end of the file.
  long ScanWindow(const SearchQuery& query, long lo, long hi, char** line, bool* reachedEnd);
  void DropView();

  HANDLE handle_;                         // the open file; null when none
  char* fileName_;                        // name given to the last successful open; null when none
  char* readPosition_;                    // next unread byte of the line buffer
  char* lineBuffer_;                      // 256 bytes plus a zero, allocated by the first mGets
  char* bufferEnd_;                       // end of the valid text in the line buffer
  unsigned long long findBytesRead_ = 0;  // bytes mFind has read
  const char* view_ = nullptr;            // read-only mapping of the file searched by mFind
  size_t viewLength_ = 0;                 // bytes mapped
  bool readOnly_ = false;                 // the open file was opened for reading
  bool searchedBefore_ = false;           // mFind has run since the file was opened
  std::vector<char> window_;              // mFind's window when the file is not mapped
};
