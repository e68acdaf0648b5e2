#include "platform/CMemFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

CMemFile::CMemFile(UINT) {}

CMemFile::~CMemFile() = default;

UINT CMemFile::Read(void* buffer, UINT count) {
  if (!buffer || position_ >= bytes_.size()) return 0;
  const ULONGLONG available = bytes_.size() - position_;
  const UINT copied = available < count ? static_cast<UINT>(available) : count;
  std::memcpy(buffer, bytes_.data() + position_, copied);
  position_ += copied;
  return copied;
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (!buffer || count == 0) return;
  const ULONGLONG endOfWrite = position_ + count;
  if (endOfWrite > bytes_.size()) bytes_.resize(endOfWrite, 0);
  std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = endOfWrite;
}

LONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
  LONGLONG base = 0;
  switch (from) {
    case begin:
      break;
    case current:
      base = static_cast<LONGLONG>(position_);
      break;
    case end:
      base = static_cast<LONGLONG>(bytes_.size());
      break;
    default:
      return -1;
  }
  if (offset < -base || offset > INT64_MAX - base) return -1;
  position_ = static_cast<ULONGLONG>(base + offset);
  return static_cast<LONGLONG>(position_);
}

ULONGLONG CMemFile::SeekToEnd() {
  position_ = bytes_.size();
  return position_;
}

void CMemFile::SetLength(ULONGLONG length) { bytes_.resize(length, 0); }

BYTE* CMemFile::Detach() {
  BYTE* buffer = nullptr;
  if (!bytes_.empty()) {
    buffer = static_cast<BYTE*>(std::malloc(bytes_.size()));
    if (!buffer) return nullptr;
    std::memcpy(buffer, bytes_.data(), bytes_.size());
  }
  bytes_.clear();
  bytes_.shrink_to_fit();
  position_ = 0;
  return buffer;
}
