#include "server/SorrelServerHttp.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <openssl/err.h>

#include "platform/DiagnosticSink.h"

const char SorrelServerHttp::kCiphers[] =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

namespace {

std::string TlsError() {
  char text[256] = "unknown TLS failure";
  unsigned long code = ERR_get_error();
  if (code != 0) ERR_error_string_n(code, text, sizeof text);
  ERR_clear_error();
  return text;
}

// Bounds each blocking socket call, the TLS handshake's among them.
void SetTimeouts(int socket, std::chrono::milliseconds read, std::chrono::milliseconds write) {
  for (auto [option, wait] : {std::pair{SO_RCVTIMEO, read}, std::pair{SO_SNDTIMEO, write}}) {
    timeval value{static_cast<time_t>(wait.count() / 1000),
                  static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
    if (::setsockopt(socket, SOL_SOCKET, option, &value, sizeof value) != 0)
      ReportDiagnostic(DiagnosticLevel::kDebug, "sorrel-server: a socket timeout was refused");
  }
}

}  // namespace

SorrelServerHttp::SorrelServerHttp(const Settings& settings) : settings_(settings) {}

SorrelServerHttp::~SorrelServerHttp() {
  for (auto& [address, client] : clients_) {
    for (int sock : client.waiting) ::close(sock);
  }
  if (tls_ != nullptr) SSL_CTX_free(tls_);
}

bool SorrelServerHttp::UseTls(const std::string& certificate, const std::string& key,
                              std::string& error) {
  tls_ = SSL_CTX_new(TLS_server_method());
  bool ok = tls_ != nullptr && SSL_CTX_set_min_proto_version(tls_, TLS1_2_VERSION) == 1 &&
            SSL_CTX_set_cipher_list(tls_, kCiphers) == 1 &&
            SSL_CTX_use_certificate_chain_file(tls_, certificate.c_str()) == 1 &&
            SSL_CTX_use_PrivateKey_file(tls_, key.c_str(), SSL_FILETYPE_PEM) == 1 &&
            SSL_CTX_check_private_key(tls_) == 1;
  if (!ok) {
    error = "cannot use the TLS certificate " + certificate + " and key " + key + ": " + TlsError();
    return false;
  }
  SSL_CTX_set_options(tls_, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION |
                                SSL_OP_CIPHER_SERVER_PREFERENCE);
  return true;
}

bool SorrelServerHttp::Admit(const std::string& address, int sock) {
  std::lock_guard<std::mutex> lock(mutex_);
  Client& client = clients_[address];
  if (client.served < settings_.perAddress) {
    ++client.served;
    return true;
  }
  if (client.waiting.size() < kMostWaiting) {
    client.waiting.push_back(sock);
    return false;
  }
  static const char kBusy[] =
      "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\nConnection: close\r\n"
      "Content-Length: 0\r\n\r\n";
  if (tls_ == nullptr && ::send(sock, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL) < 0)
    ReportDiagnostic(DiagnosticLevel::kDebug, "sorrel-server: the busy answer was not sent");
  ::close(sock);
  return false;
}

int SorrelServerHttp::Next(const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = clients_.find(address);
  if (found == clients_.end()) return -1;
  Client& client = found->second;
  if (!client.waiting.empty()) {
    int sock = client.waiting.front();
    client.waiting.pop_front();
    return sock;
  }
  if (--client.served == 0) clients_.erase(found);
  return -1;
}

bool SorrelServerHttp::process_and_close_socket(int sock) {
  std::string address;
  int port = 0;
  {
    SorrelServerStream probe(sock, nullptr, settings_.limits);
    probe.get_remote_ip_and_port(address, port);
  }
  if (!Admit(address, sock)) return true;
  for (int next = sock; next >= 0; next = Next(address)) ServeSocket(next);
  return true;
}

SSL* SorrelServerHttp::Handshake(int sock) {
  // Non-blocking, so that a client trickling its hello cannot stretch the
  // handshake past the header deadline one slow read at a time.
  const int flags = ::fcntl(sock, F_GETFL);
  SSL* ssl = SSL_new(tls_);
  bool done = false;
  if (ssl != nullptr && flags >= 0 && ::fcntl(sock, F_SETFL, flags | O_NONBLOCK) == 0 &&
      SSL_set_fd(ssl, sock) == 1) {
    auto end = std::chrono::steady_clock::now() + settings_.limits.headerDeadline;
    for (;;) {
      int result = SSL_accept(ssl);
      if (result == 1) {
        done = true;
        break;
      }
      int want = SSL_get_error(ssl, result);
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      pollfd ready{sock, static_cast<short>(want == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
      if ((want != SSL_ERROR_WANT_READ && want != SSL_ERROR_WANT_WRITE) || left.count() <= 0 ||
          ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
        break;
    }
  }
  if (flags < 0 || ::fcntl(sock, F_SETFL, flags) != 0) done = false;
  if (!done) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("sorrel-server: TLS handshake failed: " + TlsError()).c_str());
    SSL_free(ssl);
    return nullptr;
  }
  return ssl;
}

void SorrelServerHttp::ServeSocket(int sock) {
  const auto& limits = settings_.limits;
  SetTimeouts(sock, std::min(limits.readTimeout, limits.headerDeadline), limits.writeTimeout);
  SSL* ssl = tls_ != nullptr ? Handshake(sock) : nullptr;
  if (tls_ == nullptr || ssl != nullptr) {
    SorrelServerStream stream(sock, ssl, limits);
    Serve(stream);
  }
  if (ssl != nullptr) {
    SSL_shutdown(ssl);
    SSL_free(ssl);
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
}

void SorrelServerHttp::Serve(SorrelServerStream& stream) {
  auto stopped = [this] { return svr_sock_ == INVALID_SOCKET; };
  std::chrono::milliseconds idle = settings_.keepAlive;
  for (size_t left = settings_.keepAliveRequests; left > 0; --left) {
    if (!stream.WaitForRequest(idle, stopped)) return;
    stream.BeginRequest();
    bool closed = false;
    bool written = process_request(stream, left == 1, closed, [](httplib::Request&) {});
    if (!written || closed || stream.MustClose()) return;
  }
}
