#pragma once

#include <vector>

#include "platform/Export.h"
#include "platform/WinTypes.h"

// A growable file in memory. Reads and writes happen at the current position
// and move it; writing past the end grows the file, filling any gap left by
// a seek beyond the end with zero bytes. The file owns its bytes.
class SORREL_EXPORT CMemFile {
 public:
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  // growBytes is accepted for MFC compatibility; the storage grows as needed.
  explicit CMemFile(UINT growBytes = 1024);
  ~CMemFile();
  CMemFile(const CMemFile&) = delete;
  CMemFile& operator=(const CMemFile&) = delete;

  // Copies up to `count` bytes from the position into `buffer`; returns how
  // many were copied (0 at or past the end).
  UINT Read(void* buffer, UINT count);
  // Writes `count` bytes at the position, growing the file as needed.
  void Write(const void* buffer, UINT count);

  // Moves the position to `offset` from begin, current or end; returns the new
  // position, or -1 (position unchanged) when it would fall before the start
  // or out of range, or `from` is unknown.
  LONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { position_ = 0; }
  ULONGLONG SeekToEnd();
  ULONGLONG GetPosition() const { return position_; }

  ULONGLONG GetLength() const { return bytes_.size(); }
  // Cuts or extends (with zero bytes) the file; the position stays where it was.
  void SetLength(ULONGLONG length);

  // The file's bytes, GetLength() of them; valid until the next write,
  // SetLength or Detach. Null when the file is empty.
  const BYTE* GetData() const { return bytes_.empty() ? nullptr : bytes_.data(); }
  // Hands the bytes over as a buffer from malloc that the caller frees with
  // free() and leaves the file empty at position 0. Null when the file is
  // empty, or when memory runs out (the file then keeps its bytes).
  BYTE* Detach();

 private:
  std::vector<BYTE> bytes_;  // the file's content
  ULONGLONG position_ = 0;   // offset of the next read or write; may lie past the end
};
