#include "net/ProxyAuthenticator.h"

ProxyAuthenticator::~ProxyAuthenticator() = default;
