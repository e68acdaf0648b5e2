#include "platform/Environment.h"

#include <cstdlib>
#include <cstring>

#include "platform/LastError.h"

DWORD GetEnvironmentVariableA(const char* name, char* buffer, DWORD size) {
  const char* value = name ? std::getenv(name) : nullptr;
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const size_t length = std::strlen(value);
  if (!buffer || length >= size) return static_cast<DWORD>(length + 1);
  std::memcpy(buffer, value, length + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(length);
}

BOOL SetEnvironmentVariableA(const char* name, const char* value) {
  if (!name || !*name || std::strchr(name, '=')) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int result = value ? setenv(name, value, 1) : unsetenv(name);
  if (result != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return 1;
}
