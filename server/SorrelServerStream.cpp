#include "server/SorrelServerStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

thread_local SorrelServerStream* current = nullptr;

void Describe(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

std::chrono::milliseconds Until(SorrelServerStream::Clock::time_point end) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      end - SorrelServerStream::Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

SorrelServerStream::SorrelServerStream(int socket, SSL* ssl, const Limits& limits)
    : socket_(socket), ssl_(ssl), limits_(limits), previous_(current) {
  current = this;
  BeginRequest();
}

SorrelServerStream::~SorrelServerStream() { current = previous_; }

SorrelServerStream* SorrelServerStream::Current() { return current; }

void SorrelServerStream::BeginRequest() {
  inHeaders_ = true;
  used_ = 0;
  headerEnd_ = Clock::now() + limits_.headerDeadline;
}

void SorrelServerStream::HeadersRead() {
  inHeaders_ = false;
  used_ = 0;
}

bool SorrelServerStream::Buffered() const {
  return begin_ < end_ || (ssl_ != nullptr && SSL_pending(ssl_) > 0);
}

int SorrelServerStream::Poll(bool forWriting, std::chrono::milliseconds wait) const {
  pollfd descriptor{socket_, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
  int ready;
  do {
    ready = ::poll(&descriptor, 1, static_cast<int>(wait.count()));
  } while (ready < 0 && errno == EINTR);
  return ready;
}

ssize_t SorrelServerStream::Fill(Clock::time_point end) {
  if (!Buffered()) {
    int ready = Poll(false, Until(end));
    if (ready <= 0) return ready;
  }
  ssize_t got;
  if (ssl_ != nullptr) {
    got = SSL_read(ssl_, buffer_, sizeof buffer_);
    if (got <= 0) got = SSL_get_error(ssl_, static_cast<int>(got)) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
  } else {
    do {
      got = ::recv(socket_, buffer_, sizeof buffer_, 0);
    } while (got < 0 && errno == EINTR);
  }
  begin_ = 0;
  end_ = got > 0 ? static_cast<size_t>(got) : 0;
  return got;
}

bool SorrelServerStream::is_readable() const {
  return Buffered() || Poll(false, limits_.readTimeout) > 0;
}

bool SorrelServerStream::is_writable() const { return Poll(true, limits_.writeTimeout) > 0; }

ssize_t SorrelServerStream::read(char* ptr, size_t size) {
  if (begin_ == end_) {
    Clock::time_point end = Clock::now() + limits_.readTimeout;
    if (inHeaders_) end = std::min(end, headerEnd_);
    if (Fill(end) <= 0) {
      // A request cut short leaves the connection in an unknown state.
      mustClose_ = true;
      return -1;
    }
  }
  size_t given = std::min(size, end_ - begin_);
  used_ += given;
  if (used_ > (inHeaders_ ? limits_.headerBytes : limits_.bodyBytes)) {
    mustClose_ = true;
    return -1;
  }
  std::memcpy(ptr, buffer_ + begin_, given);
  begin_ += given;
  return static_cast<ssize_t>(given);
}

ssize_t SorrelServerStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  if (ssl_ != nullptr) {
    int sent = SSL_write(ssl_, ptr, static_cast<int>(std::min<size_t>(size, 1 << 30)));
    return sent > 0 ? sent : -1;
  }
  ssize_t sent;
  do {
    sent = ::send(socket_, ptr, size, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent;
}

void SorrelServerStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    Describe(address, ip, port);
}

void SorrelServerStream::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    Describe(address, ip, port);
}
