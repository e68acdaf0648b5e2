#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

// The process-wide state that every request shares, as WinINet's process
// state does: cookies, the connection cache, the DNS cache and TLS sessions,
// in one libcurl share handle guarded by one lock per kind of data. Created
// with libcurl's global state on first use and kept until the process ends.
// Internal.
class CurlShare {
 public:
  // The share handle for CURLOPT_SHARE; null if libcurl could not set it up.
  static CURLSH* Handle();
  // Every cookie of the store, one Netscape cookie-file line each.
  static std::vector<std::string> CookieLines();

 private:
  // Lives until the process ends (never destroyed).
  CurlShare();
  static CurlShare& Instance();

  CURLSH* share;  // the shared state; null when setting it up failed
};
