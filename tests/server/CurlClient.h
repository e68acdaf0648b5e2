#pragma once

#include <curl/curl.h>

#include <map>
#include <regex>
#include <stdexcept>
#include <string>

#include "support/Crypto.h"

// A plain libcurl client for the protocol tests: one easy handle, so the
// cookies a server sets come back on later requests of the same client.
class CurlClient {
 public:
  struct Reply {
    long status = 0;  // 0: no HTTP status came back
    std::string body;
    std::string headers;  // the raw header lines
    CURLcode code = CURLE_OK;
  };

  CurlClient() : curl_(curl_easy_init()) {
    if (curl_ == nullptr) throw std::runtime_error("curl_easy_init failed");
    curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(curl_, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl_, CURLOPT_TIMEOUT, 30L);
  }
  ~CurlClient() { curl_easy_cleanup(curl_); }
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  // Encodes name=value pairs as a form body, in the map's order.
  std::string Form(const std::map<std::string, std::string>& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
      if (!body.empty()) body += '&';
      char* encodedName = curl_easy_escape(curl_, name.data(), static_cast<int>(name.size()));
      char* encodedValue = curl_easy_escape(curl_, value.data(), static_cast<int>(value.size()));
      body += std::string(encodedName) + "=" + encodedValue;
      curl_free(encodedName);
      curl_free(encodedValue);
    }
    return body;
  }

  Reply Post(const std::string& url, const std::string& body) {
    curl_easy_setopt(curl_, CURLOPT_HTTPGET, 0L);
    curl_easy_setopt(curl_, CURLOPT_POST, 1L);
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    return Perform(url);
  }
  Reply Post(const std::string& url, const std::map<std::string, std::string>& fields) {
    return Post(url, Form(fields));
  }
  Reply Get(const std::string& url) {
    curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
    return Perform(url);
  }

  CURL* handle() { return curl_; }

 private:
  static size_t Append(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
  }

  Reply Perform(const std::string& url) {
    Reply reply;
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CurlClient::Append);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &CurlClient::Append);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &reply.headers);
    reply.code = curl_easy_perform(curl_);
    if (reply.code == CURLE_OK) curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &reply.status);
    return reply;
  }

  CURL* curl_;
};

// The title of an HTML page, empty when it has none.
inline std::string Title(const std::string& page) {
  std::smatch match;
  return std::regex_search(page, match, std::regex("<title>([^<]*)</title>")) ? match[1].str()
                                                                              : std::string();
}

// The MD5 digest of `text` in hexadecimal, as the client sends a password.
inline std::string Md5Hex(const std::string& text) {
  CString digest;
  CString input(text.c_str());
  return Crypto::HashString(input, digest) == 1 ? static_cast<const char*>(digest) : "";
}

// Logs `client` in as `user` with `password` at `root` ("http://HOST:PORT/sorrel/").
inline CurlClient::Reply LogIn(CurlClient& client, const std::string& root, const std::string& user,
                               const std::string& password) {
  return client.Post(root + "UserAuthentication",
                     {{"iac_user", user}, {"iac_pwd", Md5Hex(password)}});
}

// Logs `client` in as the bundled user demo (password demo); the login answer's status.
inline long LogInAsDemo(CurlClient& client, const std::string& root) {
  return LogIn(client, root, "demo", "demo").status;
}
