#include "web/ServerWatch.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/DiagnosticSink.h"

namespace {

constexpr std::chrono::milliseconds kLongestProbe{2000};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// Whether no_proxy (or NO_PROXY) names `host`: "*", the host itself, or a
// domain it lies in (".example.org" or "example.org").
bool Bypassed(const std::string& host) {
  std::string list = Variable("no_proxy");
  if (list.empty()) list = Variable("NO_PROXY");
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(',', start), list.size());
    std::string entry = list.substr(start, end - start);
    start = end + 1;
    entry.erase(0, entry.find_first_not_of(" \t"));
    entry.erase(entry.find_last_not_of(" \t") + 1);
    if (!entry.empty() && entry.front() == '.') entry.erase(0, 1);
    if (entry.empty()) continue;
    if (entry == "*") return true;
    entry = Lower(entry);
    if (host == entry ||
        (host.size() > entry.size() && host.ends_with("." + entry))) {
      return true;
    }
  }
  return false;
}

// Waits for a non-blocking connect on `fd`; 0 when it was accepted, else the
// error, ETIMEDOUT when `limit` passed first.
int Connected(int fd, std::chrono::milliseconds limit) {
  pollfd watched = {fd, POLLOUT, 0};
  const int ready = ::poll(&watched, 1, static_cast<int>(limit.count()));
  if (ready == 0) return ETIMEDOUT;
  if (ready < 0) return errno;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

}  // namespace

ServerWatch::ServerWatch(const std::string& url, std::chrono::milliseconds every, Report report)
    : every_(every), report_(std::move(report)) {
  const std::optional<Target> target = TargetOf(url);
  if (!target || ThroughProxy(url)) return;
  target_ = *target;
  thread_ = std::thread([this] { Watch(); });
}

ServerWatch::~ServerWatch() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void ServerWatch::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  wake_.notify_all();
}

std::string ServerWatch::Where() const {
  const bool v6 = target_.host.find(':') != std::string::npos;
  return (v6 ? "[" + target_.host + "]" : target_.host) + ":" + target_.port;
}

void ServerWatch::Watch() {
  bool answers = true;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (wake_.wait_for(lock, every_, [this] { return stopped_; })) return;
    }
    const std::string why = Probe(target_, std::min(every_, kLongestProbe));
    if (why.empty() == answers) continue;
    answers = why.empty();
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return;
    report_(answers, Where(), why);
  }
}

std::optional<ServerWatch::Target> ServerWatch::TargetOf(const std::string& url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string::npos) return std::nullopt;
  const std::string name = Lower(url.substr(0, scheme));
  if (name != "http" && name != "https") return std::nullopt;
  const size_t start = scheme + 3;
  std::string authority = url.substr(start, url.find_first_of("/?#", start) - start);
  authority.erase(0, authority.rfind('@') + 1);  // npos + 1 == 0: no user part
  Target target;
  size_t colon = std::string::npos;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string::npos) return std::nullopt;
    target.host = authority.substr(1, close - 1);
    if (close + 1 < authority.size() && authority[close + 1] == ':') colon = close + 1;
  } else {
    colon = authority.rfind(':');
    target.host = authority.substr(0, colon);
  }
  target.port = colon == std::string::npos ? "" : authority.substr(colon + 1);
  if (target.port.empty()) target.port = name == "https" ? "443" : "80";
  if (target.host.empty() ||
      target.port.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  target.host = Lower(target.host);
  return target;
}

bool ServerWatch::ThroughProxy(const std::string& url) {
  const std::optional<Target> target = TargetOf(url);
  if (!target) return false;
  const bool https = Lower(url.substr(0, 5)) == "https";
  // The variables libcurl reads for the scheme (it ignores HTTP_PROXY).
  const std::vector<const char*> names =
      https ? std::vector<const char*>{"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}
            : std::vector<const char*>{"http_proxy", "all_proxy", "ALL_PROXY"};
  const bool proxy = std::any_of(names.begin(), names.end(),
                                 [](const char* name) { return !Variable(name).empty(); });
  return proxy && !Bypassed(target->host);
}

std::string ServerWatch::Probe(const Target& target, std::chrono::milliseconds limit) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int resolved = ::getaddrinfo(target.host.c_str(), target.port.c_str(), &hints, &found);
  if (resolved != 0) return std::string("no address: ") + ::gai_strerror(resolved);
  int error = EADDRNOTAVAIL;
  for (const addrinfo* address = found; address != nullptr && error != 0;
       address = address->ai_next) {
    const int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address->ai_protocol);
    if (fd < 0) {
      error = errno;
      continue;
    }
    error = ::connect(fd, address->ai_addr, address->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) error = Connected(fd, limit);
    ::close(fd);
  }
  ::freeaddrinfo(found);
  if (error == 0) return {};
  const std::string why =
      error == ETIMEDOUT
          ? "no answer within " + std::to_string(limit.count()) + " ms"
          : Lower(std::strerror(error));
  ReportDiagnostic(DiagnosticLevel::kDebug,
                   ("(ServerWatch) " + target.host + ":" + target.port + ": " + why).c_str());
  return why;
}
