#include "platform/DynamicLoading.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/LastError.h"

namespace {

HMODULE Open(const char* path) { return static_cast<HMODULE>(dlopen(path, RTLD_NOW | RTLD_LOCAL)); }

// The first directory of PATH that holds `fileName`, loaded; null when none
// holds it or the first one found cannot be loaded.
HMODULE OpenAlongPath(const char* fileName) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view directory = rest.substr(0, colon);
    if (!directory.empty()) {
      std::string candidate(directory);
      if (candidate.back() != '/') candidate += '/';
      candidate += fileName;
      if (access(candidate.c_str(), F_OK) == 0) {
        HMODULE module = Open(candidate.c_str());
        SetLastError(module ? ERROR_SUCCESS : ERROR_BAD_EXE_FORMAT);
        return module;
      }
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

}  // namespace

HMODULE LoadLibraryA(const char* fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (std::strchr(fileName, '/')) {
    HMODULE module = Open(fileName);
    if (!module)
      SetLastError(access(fileName, F_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return module;
  }
  if (HMODULE module = Open(fileName)) return module;
  return OpenAlongPath(fileName);
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  dlerror();
  void* address = dlsym(module, procName);
  if (!address || dlerror() != nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return 1;
}
