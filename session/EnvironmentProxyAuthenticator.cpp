#include "session/EnvironmentProxyAuthenticator.h"

#include <cstdlib>

namespace {

CString Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

CString EnvironmentProxyAuthenticator::GetProxyUserName() {
  return Environment("SORREL_PROXY_USER");
}

CString EnvironmentProxyAuthenticator::GetProxyPassword() {
  return Environment("SORREL_PROXY_PASSWORD");
}
