#include "web/WebAccess.h"

#include <sys/random.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace {

constexpr const char* kCookieName = "sorrel_web";

// Trims blanks at both ends of [begin, end) of `text`.
std::string Trimmed(const std::string& text, size_t begin, size_t end) {
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

WebAccess::WebAccess(int port, std::string secret) : port_(port), secret_(std::move(secret)) {}

std::string WebAccess::NewSecret() {
  std::array<unsigned char, 16> bytes{};
  if (::getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error("the kernel's random source gave no secret");
  }
  std::string secret;
  for (const unsigned char byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    secret += digits;
  }
  return secret;
}

// Compares every byte whatever the first difference, so the time taken
// tells nothing of the secret.
bool WebAccess::SameSecret(const std::string& given) const {
  if (given.size() != secret_.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < given.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ secret_[i]);
  }
  return difference == 0;
}

bool WebAccess::HostIsOurs(const std::string& host) const {
  const std::string port = ":" + std::to_string(port_);
  return host == "127.0.0.1" + port || host == "localhost" + port;
}

bool WebAccess::CookieHasSecret(const std::string& cookie) const {
  for (size_t start = 0; start < cookie.size();) {
    const size_t end = std::min(cookie.find(';', start), cookie.size());
    const size_t equals = cookie.find('=', start);
    if (equals < end && Trimmed(cookie, start, equals) == kCookieName &&
        SameSecret(Trimmed(cookie, equals + 1, end))) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

WebAccess::Verdict WebAccess::Judge(const Request& request) const {
  if (!HostIsOurs(request.host)) return Verdict::kWrongHost;
  const bool reads = request.method == "GET" || request.method == "HEAD";
  if (!reads && request.origin != "http://" + request.host) return Verdict::kForeignOrigin;
  if (CookieHasSecret(request.cookie)) return Verdict::kAllowed;
  if (reads && !request.secret.empty() && SameSecret(request.secret)) return Verdict::kLetIn;
  return Verdict::kForbidden;
}

std::string WebAccess::Cookie() const {
  return std::string(kCookieName) + "=" + secret_ + "; Path=/; HttpOnly; SameSite=Strict";
}

std::string WebAccess::Address() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/?k=" + secret_;
}
