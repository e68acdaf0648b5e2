#include "platform/FileApi.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// What a HANDLE points to; it owns the descriptor.
struct FileObject {
  int fd;  // open descriptor, holding the lock of the sharing mode
};

int FdOf(HANDLE file) {
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return -1;
  return static_cast<FileObject*>(file)->fd;
}

enum class Lock { kNone, kShared, kExclusive };

// Opens `path` with `flags`, takes the lock without waiting and truncates
// afterwards when asked, so that a refused open never destroys another
// holder's content. Returns the descriptor or -1.
int OpenLocked(const char* path, int flags, Lock lock, bool truncate) {
  if (path == nullptr) return -1;
  const std::string native = NativePath(path);
  int fd;
  do {
    fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  // Windows opens no folder as a file; here open() would, and the first read
  // would fail with EISDIR far from the caller's check of the open.
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  if (lock != Lock::kNone) {
    const int operation = (lock == Lock::kShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    int rc;
    do {
      rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      ::close(fd);
      return -1;
    }
  }
  if (truncate && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads until `count` bytes or end of file; -1 on error.
long ReadAll(int fd, void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

// Writes all `count` bytes; returns what was written, and sets `ok` false on error.
size_t WriteAll(int fd, const void* buffer, size_t count, bool& ok) {
  size_t done = 0;
  ok = true;
  while (done < count) {
    const ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  return done;
}

int Whence(DWORD method) {
  switch (method) {
    case FILE_BEGIN:
      return SEEK_SET;
    case FILE_CURRENT:
      return SEEK_CUR;
    case FILE_END:
      return SEEK_END;
    default:
      return -1;
  }
}

}  // namespace

std::string NativePath(const char* path) {
  std::string native = path ? path : "";
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode,
                   SECURITY_ATTRIBUTES* /*security*/, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  const bool reads = (desiredAccess & GENERIC_READ) != 0;
  const bool writes = (desiredAccess & GENERIC_WRITE) != 0;
  int flags = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
  bool truncate = false;
  switch (creationDisposition) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT;
      truncate = true;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      truncate = true;
      break;
    default:
      return INVALID_HANDLE_VALUE;
  }
  if (truncate && !writes) return INVALID_HANDLE_VALUE;
  if (flagsAndAttributes & FILE_FLAG_WRITE_THROUGH) flags |= O_DSYNC;
  // Any sharing that admits other writers needs no lock; sharing for
  // reading alone is a shared lock; no sharing is an exclusive one.
  Lock lock = Lock::kNone;
  if ((shareMode & FILE_SHARE_WRITE) == 0) {
    lock = (shareMode & FILE_SHARE_READ) != 0 && !writes ? Lock::kShared : Lock::kExclusive;
  }
  const int fd = OpenLocked(fileName, flags, lock, truncate);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  return new FileObject{fd};
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* bytesRead, void* /*overlapped*/) {
  if (bytesRead) *bytesRead = 0;
  const int fd = FdOf(file);
  if (fd < 0 || (buffer == nullptr && count > 0)) return 0;
  const long n = ReadAll(fd, buffer, count);
  if (n < 0) return 0;
  if (bytesRead) *bytesRead = static_cast<DWORD>(n);
  return 1;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* bytesWritten,
               void* /*overlapped*/) {
  if (bytesWritten) *bytesWritten = 0;
  const int fd = FdOf(file);
  if (fd < 0 || (buffer == nullptr && count > 0)) return 0;
  bool ok;
  const size_t n = WriteAll(fd, buffer, count, ok);
  if (bytesWritten) *bytesWritten = static_cast<DWORD>(n);
  return ok ? 1 : 0;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
  const int fd = FdOf(file);
  const int whence = Whence(method);
  if (fd < 0 || whence < 0) return INVALID_SET_FILE_POINTER;
  int64_t offset = distance;
  if (distanceHigh) {
    offset =
        static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                             static_cast<uint32_t>(distance));
  }
  const off_t position = ::lseek(fd, static_cast<off_t>(offset), whence);
  if (position < 0) return INVALID_SET_FILE_POINTER;
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  return static_cast<DWORD>(position);
}

BOOL SetFilePointerEx(HANDLE file, int64_t distance, int64_t* newPosition, DWORD method) {
  const int fd = FdOf(file);
  const int whence = Whence(method);
  if (fd < 0 || whence < 0) return 0;
  const off_t position = ::lseek(fd, static_cast<off_t>(distance), whence);
  if (position < 0) return 0;
  if (newPosition) *newPosition = position;
  return 1;
}

BOOL GetFileSizeEx(HANDLE file, int64_t* size) {
  const int fd = FdOf(file);
  struct stat info;
  if (fd < 0 || size == nullptr || ::fstat(fd, &info) != 0) return 0;
  *size = info.st_size;
  return 1;
}

const char* MapFileView(HANDLE file, size_t length) {
  const int fd = FdOf(file);
  if (fd < 0 || length == 0) return nullptr;
  void* view = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
  return view == MAP_FAILED ? nullptr : static_cast<const char*>(view);
}

void UnmapFileView(const char* view, size_t length) {
  if (view != nullptr) ::munmap(const_cast<char*>(view), length);
}

BOOL CloseHandle(HANDLE file) {
  const int fd = FdOf(file);
  if (fd < 0) return 0;
  delete static_cast<FileObject*>(file);
  return ::close(fd) == 0 ? 1 : 0;
}

BOOL DeleteFileA(const char* fileName) {
  if (fileName == nullptr) return 0;
  return ::unlink(NativePath(fileName).c_str()) == 0 ? 1 : 0;
}

HFILE _lopen(const char* path, int mode) {
  int flags;
  switch (mode & 0x03) {
    case OF_READ:
      flags = O_RDONLY;
      break;
    case OF_WRITE:
      flags = O_WRONLY;
      break;
    case OF_READWRITE:
      flags = O_RDWR;
      break;
    default:
      return HFILE_ERROR;
  }
  Lock lock = Lock::kNone;
  switch (mode & 0x70) {
    case OF_SHARE_EXCLUSIVE:
    case OF_SHARE_DENY_READ:
      lock = Lock::kExclusive;
      break;
    case OF_SHARE_DENY_WRITE:
      lock = Lock::kShared;
      break;
    default:
      break;
  }
  const int fd = OpenLocked(path, flags, lock, false);
  return fd < 0 ? HFILE_ERROR : fd;
}

HFILE _lcreat(const char* path, int /*attribute*/) {
  const int fd = OpenLocked(path, O_RDWR | O_CREAT, Lock::kNone, true);
  return fd < 0 ? HFILE_ERROR : fd;
}

UINT _lread(HFILE file, void* buffer, UINT count) {
  if (file < 0 || (buffer == nullptr && count > 0)) return static_cast<UINT>(HFILE_ERROR);
  const long n = ReadAll(file, buffer, count);
  return n < 0 ? static_cast<UINT>(HFILE_ERROR) : static_cast<UINT>(n);
}

UINT _lwrite(HFILE file, const char* buffer, UINT count) {
  if (file < 0 || (buffer == nullptr && count > 0)) return static_cast<UINT>(HFILE_ERROR);
  bool ok;
  const size_t n = WriteAll(file, buffer, count, ok);
  return ok ? static_cast<UINT>(n) : static_cast<UINT>(HFILE_ERROR);
}

long _hwrite(HFILE file, const char* buffer, long count) {
  if (file < 0 || count < 0 || (buffer == nullptr && count > 0)) return -1;
  bool ok;
  const size_t n = WriteAll(file, buffer, static_cast<size_t>(count), ok);
  return ok ? static_cast<long>(n) : -1;
}

LONG _llseek(HFILE file, LONG offset, int origin) {
  const int whence = Whence(static_cast<DWORD>(origin));
  if (file < 0 || whence < 0) return HFILE_ERROR;
  const off_t position = ::lseek(file, offset, whence);
  if (position < 0 || position > INT32_MAX) return HFILE_ERROR;
  return static_cast<LONG>(position);
}

HFILE _lclose(HFILE file) {
  if (file < 0) return HFILE_ERROR;
  return ::close(file) == 0 ? 0 : HFILE_ERROR;
}

bool WriteAllBytes(int fd, std::string_view bytes) {
  bool ok = true;
  WriteAll(fd, bytes.data(), bytes.size(), ok);
  return ok;
}
