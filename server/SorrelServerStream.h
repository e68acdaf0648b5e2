#pragma once

#include <httplib.h>
#include <openssl/ssl.h>

#include <chrono>
#include <cstddef>
#include <string>

// One accepted connection of the server as the HTTP library's stream, plain
// or TLS, that bounds what a client can make the server read: the request
// line and headers of each request must arrive within a total deadline and
// a byte budget, and each body within a byte budget whatever its framing.
// A read past a bound fails, the request is not served and the connection is
// closed. Borrows the socket and the SSL object; closes neither.
class SorrelServerStream : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;
  struct Limits {
    std::chrono::milliseconds headerDeadline{10000};  // request line and headers, in total
    size_t headerBytes = 64 * 1024;                   // request line and headers, in total
    size_t bodyBytes = 8 * 1024 * 1024;               // raw body bytes, framing included
    std::chrono::milliseconds readTimeout{5000};      // one read
    std::chrono::milliseconds writeTimeout{5000};     // one write
  };

  SorrelServerStream(int socket, SSL* ssl, const Limits& limits);
  ~SorrelServerStream() override;
  SorrelServerStream(const SorrelServerStream&) = delete;
  SorrelServerStream& operator=(const SorrelServerStream&) = delete;

  // The stream of the connection the calling thread serves, or null.
  static SorrelServerStream* Current();

  // Waits up to `idle` for the next request's first byte; false when none
  // came, the peer closed, or `stopped` said to give up (asked every 100 ms).
  template <typename Stopped>
  bool WaitForRequest(std::chrono::milliseconds idle, Stopped stopped) {
    for (Clock::time_point end = Clock::now() + idle; Clock::now() < end;) {
      if (stopped()) return false;
      int ready = Buffered() ? 1 : Poll(false, std::chrono::milliseconds(100));
      if (ready < 0) return false;
      if (ready > 0) return Fill(end) > 0;
    }
    return false;
  }
  // Starts a request: its header deadline and budget run from now.
  void BeginRequest();
  // The headers are read: from now the body budget counts.
  void HeadersRead();
  // Closes the connection once the current answer is written (a refused
  // request whose body was not read, a bound that was hit).
  void CloseAfterAnswer() { mustClose_ = true; }
  bool MustClose() const { return mustClose_; }

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  int socket() const override { return socket_; }

 private:
  bool Buffered() const;
  // Waits for the socket: > 0 ready, 0 timed out, < 0 failed.
  int Poll(bool forWriting, std::chrono::milliseconds wait) const;
  // Reads what the peer sent into the buffer, waiting until `end` at most;
  // the count read, 0 at end of stream or time out, < 0 on failure.
  ssize_t Fill(Clock::time_point end);

  int socket_;
  SSL* ssl_;
  Limits limits_;
  char buffer_[4096];
  size_t begin_ = 0, end_ = 0;
  bool inHeaders_ = true;
  Clock::time_point headerEnd_;
  size_t used_ = 0;
  bool mustClose_ = false;
  SorrelServerStream* previous_;
};
