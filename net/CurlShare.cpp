#include "net/CurlShare.h"

#include <mutex>

namespace {

std::mutex locks[CURL_LOCK_DATA_LAST];  // one per kind of shared data

void Lock(CURL*, curl_lock_data data, curl_lock_access, void*) { locks[data].lock(); }
void Unlock(CURL*, curl_lock_data data, void*) { locks[data].unlock(); }

}  // namespace

CurlShare::CurlShare() : share(nullptr) {
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return;
  share = curl_share_init();
  if (share == nullptr) return;
  curl_share_setopt(share, CURLSHOPT_LOCKFUNC, Lock);
  curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, Unlock);
  for (curl_lock_data data : {CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION,
                              CURL_LOCK_DATA_CONNECT}) {
    curl_share_setopt(share, CURLSHOPT_SHARE, data);
  }
}

CurlShare& CurlShare::Instance() {
  // Never destroyed: a controller held in a static object of the client may
  // say goodbye to its server during exit, after function-local statics
  // made later than it are gone.
  static CurlShare* instance = new CurlShare();
  return *instance;
}

CURLSH* CurlShare::Handle() { return Instance().share; }

std::vector<std::string> CurlShare::CookieLines() {
  std::vector<std::string> lines;
  CURLSH* share = Handle();
  CURL* easy = share ? curl_easy_init() : nullptr;
  if (easy == nullptr) return lines;
  curl_easy_setopt(easy, CURLOPT_SHARE, share);
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  curl_slist* cookies = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &cookies) == CURLE_OK) {
    for (curl_slist* item = cookies; item; item = item->next) lines.emplace_back(item->data);
  }
  curl_slist_free_all(cookies);
  curl_easy_cleanup(easy);
  return lines;
}
