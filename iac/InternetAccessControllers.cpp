#include "iac/InternetAccessControllers.h"

InternetAccessControllers::InternetAccessControllers(ProxyAuthenticator& proxyAuthenticator)
    : proxyAuthenticator_(proxyAuthenticator) {}

InternetAccessControllers::~InternetAccessControllers() {
  while (!controllers_.IsEmpty()) {
    POSITION position = controllers_.GetStartPosition();
    CString key;
    void* controller = nullptr;
    controllers_.GetNextAssoc(position, key, controller);
    controllers_.RemoveKey(key);
    delete static_cast<InternetAccessController*>(controller);
  }
}

InternetAccessController& InternetAccessControllers::GetInternetAccessController(CString& url) {
  CString key = InternetAccessController::IsCGIXmlServer(url)
                    ? url
                    : InternetAccessController::GetRootUrl(url);
  void* found = nullptr;
  if (controllers_.Lookup(key, found)) return *static_cast<InternetAccessController*>(found);
  auto* controller = new InternetAccessController(url, proxyAuthenticator_);
  controllers_.SetAt(key, controller);
  return *controller;
}
