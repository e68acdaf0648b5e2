#include "iac/InternetAccessControllers.h"

#include "platform/DeleteMapValues.h"

InternetAccessControllers::InternetAccessControllers(ProxyAuthenticator& proxyAuthenticator)
    : proxyAuthenticator_(proxyAuthenticator) {}

InternetAccessControllers::~InternetAccessControllers() {
  DeleteMapValues<InternetAccessController>(controllers_);
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
