#pragma once

#include "iac/ProxyAuthenticator.h"

// Proxy credentials from SORREL_PROXY_USER and SORREL_PROXY_PASSWORD, read
// at each request; empty when unset.
class EnvironmentProxyAuthenticator : public ProxyAuthenticator {
 public:
  CString GetProxyUserName() override;
  CString GetProxyPassword() override;
};
