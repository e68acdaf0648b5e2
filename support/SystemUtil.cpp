#include "support/SystemUtil.h"

#include <vector>

#include "platform/Environment.h"
#include "platform/MessageQueue.h"

namespace {
constexpr DWORD kFirstReadSize = 4096;
}  // namespace

void SystemUtil::DispatchMessages() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
}

CString SystemUtil::GetEnvironmentVariableA(CString name) {
  std::vector<char> buffer(kFirstReadSize);
  DWORD length = ::GetEnvironmentVariableA(name, buffer.data(), kFirstReadSize);
  if (length >= kFirstReadSize) {
    // Too small: `length` is the size the value needs, terminator included.
    const DWORD needed = length;
    buffer.resize(needed);
    length = ::GetEnvironmentVariableA(name, buffer.data(), needed);
    if (length == 0 || length >= needed) return CString();
  }
  return CString(buffer.data(), static_cast<int>(length));
}

bool SystemUtil::SetEnvironmentVariableA(CString name, CString value) {
  return ::SetEnvironmentVariableA(name, value) != 0;
}
