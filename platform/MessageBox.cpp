#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

#include "platform/ReplaceableHandler.h"

namespace {

ReplaceableHandler<MessageBoxHandler>& Handler() {
  static ReplaceableHandler<MessageBoxHandler> handler;
  return handler;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return Handler().Replace(std::move(handler));
}

int AfxMessageBox(const char* text, unsigned type, unsigned /*helpId*/) {
  const MessageBoxHandler handler = Handler().Current();
  if (handler) return handler(text ? text : "", type);
  std::fprintf(stderr, "%s\n", text ? text : "");
  return IDOK;
}
