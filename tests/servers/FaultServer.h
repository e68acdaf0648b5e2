#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

// What a FaultServer does with each connection, once it has read the request.
enum class Fault {
  kCloseMidBody,            // declares 100 bytes, sends 10, closes
  kDeclaredLongerThanSent,  // declares 100 bytes, sends 10, keeps the line open
  kGarbageStatusLine,       // answers a line that is not an HTTP status, closes
  kDrip,                    // a whole 200 answer, one byte per drip interval
  kNoAnswer,                // reads the request and says nothing
  kReset,                   // resets the connection (RST) instead of answering
  kEmptyAnswer,             // closes without a byte
  kHugeDeclaredLength,      // declares a body of 5,000,000,000 bytes, sends a few
  kRaw,                     // sends the given bytes verbatim, closes
};

// A raw-socket server on a free 127.0.0.1 port for the misbehaviour that no
// HTTP server library produces on purpose. Serves connections one after the
// other on its own thread until it is destroyed.
class FaultServer {
 public:
  explicit FaultServer(Fault fault,
                       std::chrono::milliseconds dripInterval = std::chrono::milliseconds(1000));
  // Fault::kRaw: answers every request with `rawAnswer`.
  explicit FaultServer(std::string rawAnswer);
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const;

  // The body a kDrip server sends.
  static constexpr const char* kDripBody = "drip";

 private:
  void Start();
  void Serve();
  void Answer(int client);
  bool Wait(std::chrono::milliseconds duration);

  Fault fault_;
  std::chrono::milliseconds dripInterval_;
  std::string rawAnswer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A loopback port that is bound but never listens, so that a connection to it
// is refused; no other server can take it while the object lives.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const;

 private:
  int port_ = 0;  // set while socket_ is made
  int socket_;
};
