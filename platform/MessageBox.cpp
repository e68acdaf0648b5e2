#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageBoxHandler& CurrentHandler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(HandlerMutex());
  return std::exchange(CurrentHandler(), std::move(handler));
}

int AfxMessageBox(const char* text, unsigned type, unsigned /*helpId*/) {
  MessageBoxHandler handler;
  {
    std::lock_guard lock(HandlerMutex());
    handler = CurrentHandler();
  }
  if (handler) return handler(text ? text : "", type);
  std::fprintf(stderr, "%s\n", text ? text : "");
  return IDOK;
}
