#pragma once

#include <httplib.h>
#include <openssl/ssl.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "server/SorrelServerStream.h"

// The HTTP library's server with the connection handling the reference
// server needs when others can reach it: each connection is read through a
// SorrelServerStream (header deadline, header and body budgets), a client
// address holds at most a set number of workers at once (its further
// connections wait, unread, until one of its own ends, and the worker that
// ends it serves them), and TLS, when given, is at least TLS 1.2 with
// forward-secret AEAD ciphers only.
class SorrelServerHttp : public httplib::Server {
 public:
  struct Settings {
    SorrelServerStream::Limits limits;
    size_t perAddress = 12;  // connections one client address may have served at once
    std::chrono::seconds keepAlive{2};
    size_t keepAliveRequests = 5;
  };

  explicit SorrelServerHttp(const Settings& settings);
  ~SorrelServerHttp() override;

  // Serves TLS with the PEM certificate chain and key; false with `error`
  // set when either cannot be used. Call before serving.
  bool UseTls(const std::string& certificate, const std::string& key, std::string& error);

  // The TLS 1.2 cipher list; TLS 1.3 suites are all forward-secret AEAD.
  static const char kCiphers[];

 private:
  bool process_and_close_socket(int sock) override;
  // Serves the requests of connection `sock` and closes it.
  void ServeSocket(int sock);
  void Serve(SorrelServerStream& stream);
  // The TLS session of `sock` once its handshake is done within the header
  // deadline; null, reported at debug level, when it is not.
  SSL* Handshake(int sock);
  // Counts connection `sock` of `address` in; false when the address already
  // has its share: `sock` then waits its turn, or is refused and closed when
  // kMostWaiting of the address already wait.
  bool Admit(const std::string& address, int sock);
  // The next waiting connection of `address` to serve, or -1 (the address
  // then holds one worker less).
  int Next(const std::string& address);

  static constexpr size_t kMostWaiting = 512;

  Settings settings_;
  SSL_CTX* tls_ = nullptr;
  std::mutex mutex_;
  struct Client {
    size_t served = 0;        // connections being served
    std::deque<int> waiting;  // connections waiting, oldest first
  };
  std::map<std::string, Client> clients_;  // by address
};
