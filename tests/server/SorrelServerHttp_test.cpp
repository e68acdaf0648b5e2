// sorrel-server as a program, probed as an attacker would over raw loopback
// sockets: bodies without a bound, clients that leave midway, slow headers,
// forged log lines, values with "=", sessions that never end, old TLS.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/ReferenceServer.h"
#include "tests/server/CurlClient.h"

namespace {

using Clock = std::chrono::steady_clock;

int PortOf(const ReferenceServer& server) {
  const std::string& url = server.Servlet();
  size_t colon = url.rfind(':');
  return std::stoi(url.substr(colon + 1));
}

// A loopback connection to `port` from `source` (any 127.0.0.0/8 address).
int Connect(int port, const char* source = "127.0.0.1") {
  int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in from{}, to{};
  from.sin_family = to.sin_family = AF_INET;
  ::inet_pton(AF_INET, source, &from.sin_addr);
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  to.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(sock, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      ::connect(sock, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(sock);
    return -1;
  }
  return sock;
}

bool SendAll(int sock, const std::string& data) {
  for (size_t sent = 0; sent < data.size();) {
    ssize_t n = ::send(sock, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// What the server sends until it closes, or until `wait` passes.
std::string Receive(int sock, std::chrono::milliseconds wait = std::chrono::seconds(10)) {
  std::string got;
  for (Clock::time_point end = Clock::now() + wait; Clock::now() < end;) {
    pollfd ready{sock, POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    char buffer[4096];
    ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

int Status(const std::string& answer) {
  return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::stoi(answer.substr(9, 3)) : 0;
}

// One request on a fresh connection from `source`; the status, 0 when none.
int Ask(int port, const std::string& request, const char* source = "127.0.0.1") {
  int sock = Connect(port, source);
  int status = sock >= 0 && SendAll(sock, request) ? Status(Receive(sock)) : 0;
  if (sock >= 0) ::close(sock);
  return status;
}

const std::string kWelcome = "GET /sorrel/Welcome HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";

long RssKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Bodies without a bound (chunked, or 100 MB announced) are refused before
// they are read, a form of millions of parameters too, and clients that
// leave midway hold nothing: the server goes on serving without growing.
TEST(SorrelServerHttp, RefusesUnboundedBodiesWithoutGrowing) {
  ReferenceServer server;
  const int port = PortOf(server);
  ASSERT_EQ(Ask(port, kWelcome), 200);
  const long before = RssKib(server.Pid());
  const std::string chunked = "Transfer-Encoding: chunked";
  const struct {
    const char* head;
    int status;
    std::string framing;
  } cases[] = {
      {"PUT /sorrel/Search", 405, chunked},
      {"DELETE /sorrel/Search", 405, chunked},
      {"HEAD /sorrel/Welcome", 405, chunked},
      {"POST /elsewhere", 404, chunked},
      {"POST /sorrel/Search", 413, chunked},
      {"GET /sorrel/Welcome", 400, chunked},
      {"POST /sorrel/Search", 413, "Content-Length: 104857600"},
  };
  const std::string chunk = "10000\r\n" + std::string(0x10000, 'a') + "\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.head) + " " + c.framing);
    int sock = Connect(port);
    ASSERT_GE(sock, 0);
    ASSERT_TRUE(
        SendAll(sock, std::string(c.head) + " HTTP/1.1\r\nHost: a\r\n" + c.framing + "\r\n\r\n"));
    size_t sent = 0;
    while (sent < (300u << 20) && SendAll(sock, chunk)) sent += chunk.size();
    std::string answer = Receive(sock, std::chrono::seconds(2));
    ::close(sock);
    EXPECT_LT(sent, 64u << 20) << "the server kept reading";
    if (!answer.empty()) {
      EXPECT_EQ(Status(answer), c.status);
    }
  }
  // A form of four million parameters, within the body limit.
  std::string form = "a";
  for (int i = 0; i < 21; ++i) form += "&" + form;
  form.resize(4000000);
  EXPECT_EQ(Ask(port, "POST /sorrel/Search HTTP/1.1\r\nHost: a\r\nContent-Length: " +
                          std::to_string(form.size()) + "\r\n\r\n" + form),
            413);
  for (const char* half :
       {"POST /sorrel/Search HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\niac_op=2&ac",
        "POST /sorrel/Sea",
        "GET /sorrel/register?country=EP&number=1&kind=A1 HTTP/1.1\r\nHost: x\r\n",
        "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03"}) {
    const int sock = Connect(port);
    EXPECT_TRUE(sock >= 0 && SendAll(sock, half)) << half;
    ::close(sock);
  }
  EXPECT_LT(RssKib(server.Pid()) - before, 32 * 1024);
  EXPECT_EQ(Ask(port, kWelcome), 200);
}

// Slow clients hold workers only until the header deadline, and one address
// holds at most three of the four workers.
TEST(SorrelServerHttp, SlowHeadersDelayOthersByTheHeaderDeadlineAtMost) {
  ReferenceServer server({"--threads", "4", "--header-timeout", "3"});
  const int port = PortOf(server);
  std::vector<int> slow;
  for (int i = 0; i < 4; ++i) {
    slow.push_back(Connect(port));
    ASSERT_GE(slow.back(), 0);
  }
  std::atomic<bool> done{false};
  std::thread trickle([&] {
    for (int i = 0; i < 20 && !done; ++i) {
      for (int sock : slow)
        SendAll(sock, i == 0 ? "GET /sorrel/Welcome HTTP/1.1\r\n" : "X-a: b\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Clock::time_point start = Clock::now();
  EXPECT_EQ(Ask(port, kWelcome, "127.0.0.2"), 200);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500)) << "another address waited";
  start = Clock::now();
  EXPECT_EQ(Ask(port, kWelcome), 200);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4500)) << "the same address waited";
  done = true;
  trickle.join();
  for (int sock : slow) {
    std::string answer = Receive(sock, std::chrono::seconds(1));
    EXPECT_EQ(answer.find("200 OK"), std::string::npos) << answer;
    ::close(sock);
  }
}

TEST(SorrelServerHttp, LogsControlCharactersEscaped) {
  ReferenceServer server;
  ASSERT_EQ(Ask(PortOf(server),
                "GET /sorrel/Welcome%0a2026-01-01T00:00:00Z%20127.0.0.1%20GET%20/sorrel/x%20200 "
                "HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n"),
            404);
  std::ifstream log(server.LogFile());
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(text.str().find("GET /sorrel/Welcome\\x0A2026-01-01T00:00:00Z 127.0.0.1 GET /sorrel/x"),
            std::string::npos)
      << text.str();
  EXPECT_EQ(text.str().find("\n2026-01-01"), std::string::npos) << text.str();
}

TEST(SorrelServerHttp, SessionsAndTheirCookie) {
  ReferenceServer server({"--session-timeout", "60", "--session-lifetime", "2"});
  CurlClient client;
  const std::string headers = LogIn(client, server.Root(), "demo", "demo").headers;
  EXPECT_NE(headers.find("; Path=/sorrel/; HttpOnly; SameSite=Strict\r\n"), std::string::npos)
      << headers;
  // A raw "=" inside a GET value belongs to the value: the field prefix stays.
  const std::string query = server.Servlet() + "?iac_op=2&action=r&iac_base=SMALL&question=";
  EXPECT_NE(client.Get(query + "PA=nordic").body.find("EP 2 A1"), std::string::npos);
  EXPECT_EQ(client.Get(query + "PA=nordic").body.find("EP 1 A1"), std::string::npos);
  // Busy all along, the session still ends at its lifetime.
  std::string body;
  for (int i = 0; i < 12 && body.find("ExpiredSessionException") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    body = client.Get(query + "PA=nordic").body;
    if (i < 5) {
      EXPECT_NE(body.find("EP 2 A1"), std::string::npos) << i;
    }
  }
  EXPECT_NE(body.find("ExpiredSessionException"), std::string::npos) << body;
  EXPECT_EQ(client.Get(server.Root() + "UserAuthentication?iac_user=demo&iac_pwd=" + Md5Hex("demo"))
                .status,
            405);
}

TEST(SorrelServerHttp, TlsNeedsVersion12AndAeadCiphers) {
  const std::string data = SORREL_SOURCE_DIR "/tests/server/data/tls/";
  ReferenceServer server({"--tls-cert", data + "server.crt", "--tls-key", data + "server.key",
                          "--threads", "1", "--header-timeout", "2"});
  // A client that never says hello holds the one worker for the header
  // deadline only.
  int silent = Connect(PortOf(server));
  ASSERT_GE(silent, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Clock::time_point start = Clock::now();
  struct Case {
    long least, most;
    const char* ciphers;
    bool accepted;
  };
  // SECLEVEL=0 lets the client offer what the server must refuse by itself.
  const Case cases[] = {
      {CURL_SSLVERSION_TLSv1_1, CURL_SSLVERSION_MAX_TLSv1_1, "DEFAULT:@SECLEVEL=0", false},
      {CURL_SSLVERSION_TLSv1_2, CURL_SSLVERSION_MAX_TLSv1_2, "AES128-GCM-SHA256:@SECLEVEL=0",
       false},
      {CURL_SSLVERSION_TLSv1_2, CURL_SSLVERSION_MAX_TLSv1_2, "ECDHE-RSA-AES128-SHA:@SECLEVEL=0",
       false},
      {CURL_SSLVERSION_TLSv1_2, CURL_SSLVERSION_MAX_TLSv1_2, "ECDHE-RSA-AES128-GCM-SHA256", true},
      {CURL_SSLVERSION_TLSv1_3, CURL_SSLVERSION_MAX_DEFAULT, "DEFAULT", true},
  };
  for (const Case& c : cases) {
    CurlClient client;
    curl_easy_setopt(client.handle(), CURLOPT_CAINFO, (data + "server.crt").c_str());
    curl_easy_setopt(client.handle(), CURLOPT_SSLVERSION, c.least | c.most);
    curl_easy_setopt(client.handle(), CURLOPT_SSL_CIPHER_LIST, c.ciphers);
    const std::string headers = LogIn(client, server.Root(), "demo", "demo").headers;
    EXPECT_EQ(headers.find("HttpOnly; SameSite=Strict; Secure\r\n") != std::string::npos,
              c.accepted)
        << c.ciphers << "\n"
        << headers;
  }
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500));
  EXPECT_EQ(Receive(silent, std::chrono::seconds(1)), "");
  ::close(silent);
}

}  // namespace
