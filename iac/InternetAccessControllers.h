#pragma once

#include "iac/InternetAccessController.h"
#include "iac/ProxyAuthenticator.h"
#include "platform/CMapStringToPtr.h"
#include "platform/CString.h"
#include "platform/Export.h"

// One InternetAccessController per search server, so that every operation
// against one server shares one session. A server is keyed by its URL up to
// the last "/" (the whole URL for a "cgi" server), compared as exact text.
// The registry owns its controllers; destroying it closes their sessions one
// after another, each open one saying goodbye to its server.
class SORREL_EXPORT InternetAccessControllers {
 public:
  // An empty registry; `proxyAuthenticator` is handed to every controller and
  // must outlive the registry.
  explicit InternetAccessControllers(ProxyAuthenticator& proxyAuthenticator);
  // Deletes every controller, in the map's iteration order.
  virtual ~InternetAccessControllers();
  InternetAccessControllers(const InternetAccessControllers&) = delete;
  InternetAccessControllers& operator=(const InternetAccessControllers&) = delete;

  // The controller for `url`'s server, created on first request with `url`
  // as its URL. It belongs to the registry and stays valid until the registry
  // is destroyed.
  InternetAccessController& GetInternetAccessController(CString& url);

 private:
  CMapStringToPtr controllers_;             // key text to owned controller
  ProxyAuthenticator& proxyAuthenticator_;  // given to every controller
};
