#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Watches, on a thread of its own, that the search server still accepts a
// TCP connection at its URL's host and port: every `every`, one connection
// opened and closed again, no byte sent, so the server's session and its
// expiry are untouched. A change (no longer answers, answers again) is
// reported through a callback on the watch's thread. A URL that goes through
// a proxy is not watched (a connection to the proxy proves nothing), nor one
// that names no host. Nothing here throws.
class ServerWatch {
 public:
  // The host and port a URL names: "http://u:p@[::1]:8080/x" -> "::1", "8080".
  struct Target {
    std::string host;
    std::string port;
  };
  // `answers`: the server at `where` ("HOST:PORT", IPv6 in brackets) accepts
  // connections again; else `why` it does not.
  using Report =
      std::function<void(bool answers, const std::string& where, const std::string& why)>;

  // Starts watching `url` unless it is not to be watched (watching() false).
  // `report` must stay callable until the watch is destroyed.
  ServerWatch(const std::string& url, std::chrono::milliseconds every, Report report);
  // Stops the watch and waits for its thread (at most one probe's time limit).
  ~ServerWatch();
  ServerWatch(const ServerWatch&) = delete;
  ServerWatch& operator=(const ServerWatch&) = delete;

  // Stops watching without waiting; nothing is reported after it returns.
  void Stop();
  bool watching() const { return thread_.joinable(); }

  // The host and port of an http or https URL; none for another scheme or no host.
  static std::optional<Target> TargetOf(const std::string& url);
  // Whether libcurl would send requests to `url` through a proxy: a proxy
  // variable for its scheme is set and no_proxy does not name its host.
  static bool ThroughProxy(const std::string& url);
  // One probe: empty when a TCP connection to `target` was accepted within
  // `limit`, else why not ("connection refused", "no answer within 2 s").
  static std::string Probe(const Target& target, std::chrono::milliseconds limit);

 private:
  void Watch();
  std::string Where() const;

  Target target_;
  std::chrono::milliseconds every_;
  Report report_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopped_ = false;
  std::thread thread_;
};
