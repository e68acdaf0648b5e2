#include "platform/ShellExecute.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/ReplaceableHandler.h"

extern char** environ;

namespace {

constexpr intptr_t kOpened = 42;  // any value above 32 means success

ReplaceableHandler<ShellOpenHandler>& Handler() {
  static ReplaceableHandler<ShellOpenHandler> handler;
  return handler;
}

bool OpenWithXdgOpen(const char* target) {
  char program[] = "xdg-open";
  char* argv[] = {program, const_cast<char*>(target), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
  return Handler().Replace(std::move(handler));
}

intptr_t ShellExecuteA(HWND, const char* operation, const char* file, const char*, const char*,
                       int showCommand) {
  if (!file || !*file) return SE_ERR_NOASSOC;
  if (operation && *operation && std::strcmp(operation, "open") != 0) return SE_ERR_NOASSOC;
  const ShellOpenHandler handler = Handler().Current();
  const bool opened = handler ? handler(file, showCommand) : OpenWithXdgOpen(file);
  return opened ? kOpened : SE_ERR_NOASSOC;
}
