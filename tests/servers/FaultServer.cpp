#include "tests/servers/FaultServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace {

constexpr std::chrono::milliseconds kPollStep(20);

// Reads one request (headers, then a body as long as Content-Length says);
// false when the peer leaves first or `stop` is raised.
bool ReadRequest(int client, const std::atomic<bool>& stop) {
  std::string data;
  size_t expected = std::string::npos;
  while (!stop) {
    if (expected != std::string::npos && data.size() >= expected) return true;
    pollfd poller{client, POLLIN, 0};
    if (::poll(&poller, 1, static_cast<int>(kPollStep.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
    if (count <= 0) return false;
    data.append(buffer, static_cast<size_t>(count));
    const size_t headerEnd = data.find("\r\n\r\n");
    if (expected == std::string::npos && headerEnd != std::string::npos) {
      size_t length = 0;
      for (const char* name : {"Content-Length:", "content-length:"}) {
        const size_t at = data.find(name);
        if (at != std::string::npos && at < headerEnd) {
          length = std::strtoul(data.c_str() + at + 15, nullptr, 10);
        }
      }
      expected = headerEnd + 4 + length;
    }
  }
  return false;
}

void SendAll(int client, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
}

// A TCP socket bound to a free 127.0.0.1 port, which goes to `port`.
int BoundLoopbackSocket(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("test server: socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("test server: no loopback port");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

FaultServer::FaultServer(Fault fault, std::chrono::milliseconds dripInterval)
    : fault_(fault), dripInterval_(dripInterval) {
  Start();
}

FaultServer::FaultServer(std::string rawAnswer)
    : fault_(Fault::kRaw), dripInterval_(0), rawAnswer_(std::move(rawAnswer)) {
  Start();
}

void FaultServer::Start() {
  listener_ = BoundLoopbackSocket(port_);
  if (::listen(listener_, 16) != 0) {
    ::close(listener_);
    throw std::runtime_error("fault server: cannot listen");
  }
  thread_ = std::thread([this] { Serve(); });
}

FaultServer::~FaultServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  ::close(listener_);
}

std::string FaultServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

RefusingPort::RefusingPort() : socket_(BoundLoopbackSocket(port_)) {}

RefusingPort::~RefusingPort() { ::close(socket_); }

std::string RefusingPort::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool FaultServer::Wait(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (!stop_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(kPollStep);
  return !stop_;
}

void FaultServer::Serve() {
  while (!stop_) {
    pollfd poller{listener_, POLLIN, 0};
    if (::poll(&poller, 1, static_cast<int>(kPollStep.count())) <= 0) continue;
    const int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    if (ReadRequest(client, stop_)) Answer(client);
    ::close(client);
  }
}

void FaultServer::Answer(int client) {
  const std::string shortBody = "0123456789";
  switch (fault_) {
    case Fault::kCloseMidBody:
    case Fault::kDeclaredLongerThanSent:
      SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + shortBody);
      if (fault_ == Fault::kCloseMidBody) return;
      [[fallthrough]];
    case Fault::kNoAnswer:
      while (Wait(kPollStep)) {
      }
      return;
    case Fault::kGarbageStatusLine:
      SendAll(client, "GARBAGE LINE\r\n\r\n");
      return;
    case Fault::kDrip: {
      const std::string answer =
          "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n" + std::string(kDripBody);
      const size_t bodyStart = answer.size() - 4;
      SendAll(client, answer.substr(0, bodyStart));
      for (size_t i = bodyStart; i < answer.size(); ++i) {
        if (!Wait(dripInterval_)) return;
        SendAll(client, answer.substr(i, 1));
      }
      return;
    }
    case Fault::kReset: {
      const linger abort{1, 0};
      ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      return;
    }
    case Fault::kEmptyAnswer:
      return;
    case Fault::kHugeDeclaredLength:
      SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 5000000000\r\n\r\n" + shortBody);
      return;
    case Fault::kRaw:
      SendAll(client, rawAnswer_);
      return;
  }
}
