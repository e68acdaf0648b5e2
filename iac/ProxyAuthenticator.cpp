#include "iac/ProxyAuthenticator.h"

ProxyAuthenticator::~ProxyAuthenticator() = default;
