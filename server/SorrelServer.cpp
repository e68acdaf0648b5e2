#include "server/SorrelServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/DiagnosticSink.h"
#include "server/Answer.h"
#include "server/Markup.h"
#include "server/RequestParams.h"
#include "server/ServerProtocol.h"
#include "server/SorrelServerHttp.h"
#include "server/SorrelServerStream.h"

namespace {

constexpr const char* kCookieName = "JSESSIONID";
constexpr int kListenBacklog = 512;

std::string Base64(std::string_view text) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < text.size(); i += 3) {
    unsigned n = (static_cast<unsigned char>(text[i]) << 16) |
                 (static_cast<unsigned char>(text[i + 1]) << 8) |
                 static_cast<unsigned char>(text[i + 2]);
    out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], kDigits[n & 63]};
  }
  if (i + 1 == text.size()) {
    unsigned n = static_cast<unsigned char>(text[i]) << 16;
    out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], '=', '='};
  } else if (i + 2 == text.size()) {
    unsigned n = (static_cast<unsigned char>(text[i]) << 16) |
                 (static_cast<unsigned char>(text[i + 1]) << 8);
    out += {kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], '='};
  }
  return out;
}

std::string SessionCookie(const httplib::Request& request) {
  std::string header = request.get_header_value("Cookie");
  size_t at = 0;
  while ((at = header.find(kCookieName, at)) != std::string::npos) {
    bool starts = at == 0 || header[at - 1] == ' ' || header[at - 1] == ';';
    size_t value = at + std::strlen(kCookieName);
    if (starts && value < header.size() && header[value] == '=') {
      size_t end = header.find(';', value);
      return header.substr(value + 1, end == std::string::npos ? end : end - value - 1);
    }
    at = value;
  }
  return {};
}

const char* ExceptionForStatus(int status) {
  switch (status) {
    case 400:
      return "BadRequestException";
    case 401:
      return "UnauthorizedException";
    case 404:
      return "NotFoundException";
    case 405:
      return "MethodNotAllowedException";
    case 413:
      return "RequestTooLargeException";
    case 414:
      return "RequestTooLargeException";
    case 503:
      return "ServiceUnavailableException";
    default:
      return "HttpException";
  }
}

// Whether `a` equals `b`, in a time that depends on their lengths only.
bool SameText(const std::string& a, const std::string& b) {
  unsigned char differ = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < a.size(); ++i) differ |= a[i] ^ b[i % std::max<size_t>(1, b.size())];
  return differ == 0 && !b.empty();
}

// `text` with every control byte and "\\" written as "\\xHH", so
// that a value cannot forge or break a line of the log.
std::string LogSafe(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f || c == '\\') {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Answers `status` with the error page naming `why`; the connection closes
// after it, since a refused request's body may still be on its way.
void Fail(httplib::Response& response, int status, const std::string& why) {
  response.status = status;
  response.set_content(Markup::Page(Answer::ExceptionName(ExceptionForStatus(status)), why),
                       "text/html; charset=UTF-8");
  if (SorrelServerStream* stream = SorrelServerStream::Current()) stream->CloseAfterAnswer();
}

}  // namespace

SorrelServer::SorrelServer() = default;

SorrelServer::~SorrelServer() { Stop(); }

std::string SorrelServer::ServletUrl() const {
  return std::string(tls_ ? "https" : "http") + "://" + options_.host + ":" +
         std::to_string(port_) + options_.root + "Search";
}

void SorrelServer::Log(const std::string& line) {
  if (options_.log) {
    options_.log(line);
    return;
  }
  std::lock_guard<std::mutex> lock(logMutex_);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

bool SorrelServer::Start(const Options& options, std::string& error) {
  options_ = options;
  // A client that goes away while its answer is written must not end the
  // process: writes to its socket fail instead.
  std::signal(SIGPIPE, SIG_IGN);
  if (options_.root.empty() || options_.root.front() != '/') options_.root.insert(0, "/");
  if (options_.root.back() != '/') options_.root += '/';
  protocol_ = std::make_unique<ServerProtocol>(ServerProtocol::Settings{
      options_.root,
      options_.usersFile,
      options_.bases,
      options_.sessionTimeout,
      options_.sessionLifetime,
      options_.maxRecords,
      options_.xmlServer,
      {options_.loginDelay, options_.lockoutFailures, options_.lockoutTime}});
  if (!protocol_->Open(error) || !CreateHttp(error)) return false;
  InstallRoutes();
  InstallReports();
  return Bind(error);
}

bool SorrelServer::CreateHttp(std::string& error) {
  size_t threads = std::max<size_t>(1, options_.threads);
  SorrelServerHttp::Settings settings;
  settings.limits.headerDeadline = options_.headerTimeout;
  // A chunked body carries its framing besides its bytes; the decoded body
  // is held to maxBody where it is read.
  settings.limits.bodyBytes = options_.maxBody + options_.maxBody / 2 + 64 * 1024;
  settings.perAddress = options_.perAddress != 0 ? options_.perAddress : threads - threads / 4;
  // Each connection holds a worker for as long as it is kept alive, so a
  // long run of requests on one connection makes the clients queued behind
  // it wait for seconds once they outnumber the workers. After five answers
  // the connection is closed and its client queues again like the others.
  settings.keepAlive = std::chrono::seconds(2);
  settings.keepAliveRequests = 5;
  http_ = std::make_unique<SorrelServerHttp>(settings);
  tls_ = !options_.tlsCert.empty() || !options_.tlsKey.empty();
  if (tls_ && !http_->UseTls(options_.tlsCert, options_.tlsKey, error)) return false;
  http_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  http_->set_payload_max_length(options_.maxBody);
  // An answer leaves in more than one write (headers, then body); with
  // Nagle's algorithm the body would wait for the client's delayed
  // acknowledgement, some 40 ms per request on loopback.
  http_->set_tcp_nodelay(true);
  return true;
}

void SorrelServer::InstallRoutes() {
  http_->set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        if (SorrelServerStream* stream = SorrelServerStream::Current()) stream->HeadersRead();
        return Refused(request, response) || Guarded(request, response)
                   ? httplib::Server::HandlerResponse::Handled
                   : httplib::Server::HandlerResponse::Unhandled;
      });
  std::string pattern = options_.root + ".*";
  http_->Get(pattern, [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response, "");
  });
  http_->Post(pattern, [this](const httplib::Request& request, httplib::Response& response,
                              const httplib::ContentReader& reader) {
    HandlePost(request, response, reader);
  });
}

void SorrelServer::InstallReports() {
  http_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    response.set_content(Markup::Page(Answer::ExceptionName(ExceptionForStatus(response.status)),
                                      "HTTP status " + std::to_string(response.status)),
                         "text/html; charset=UTF-8");
  });
  http_->set_exception_handler(
      [this](const httplib::Request&, httplib::Response& response, std::exception_ptr failure) {
        std::string what = "unexpected failure";
        try {
          if (failure) std::rethrow_exception(failure);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        Log(std::string("error: ") + LogSafe(what));
        response.status = 500;
        response.set_content(Markup::Page(Answer::ExceptionName("ServerException"),
                                          "the server failed to answer this request"),
                             "text/html; charset=UTF-8");
      });
  http_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    Log(std::string(stamp) + " " + request.remote_addr + " " + LogSafe(request.method) + " " +
        LogSafe(request.path) + " " + std::to_string(response.status) + " " +
        std::to_string(response.body.size()));
  });
}

bool SorrelServer::Bind(std::string& error) {
  // The library listens with a backlog of five; 200 clients connecting at
  // once would then wait for SYN retries. The socket is taken here and given
  // a deeper backlog once bound.
  int listening = -1;
  http_->set_socket_options([&listening](int socket) {
    int yes = 1;
    if (::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0) {
      ReportDiagnostic(
          DiagnosticLevel::kDebug,
          (std::string("sorrel-server: SO_REUSEADDR refused: ") + std::strerror(errno)).c_str());
    }
    listening = socket;
  });
  port_ = options_.port == 0
              ? http_->bind_to_any_port(options_.host)
              : (http_->bind_to_port(options_.host, options_.port) ? options_.port : -1);
  if (port_ <= 0) {
    error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
    return false;
  }
  if (listening >= 0 && ::listen(listening, kListenBacklog) != 0) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     (std::string("sorrel-server: the listen backlog stays the library's: ") +
                      std::strerror(errno))
                         .c_str());
  }
  return true;
}

bool SorrelServer::Serve() {
  if (!http_ || stopRequested_) return false;
  serving_ = true;
  bool ok = http_->listen_after_bind();
  serving_ = false;
  return ok || stopRequested_;
}

void SorrelServer::Stop() {
  stopRequested_ = true;
  if (!http_) return;
  // A Stop that comes while Serve is starting waits until the server runs,
  // so that the stop is not lost.
  while (serving_ && !http_->is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  http_->stop();
}

bool SorrelServer::Refused(const httplib::Request& request, httplib::Response& response) {
  const std::string where = request.path.rfind(options_.root, 0) == 0
                                ? request.path.substr(options_.root.size())
                                : std::string();
  // Logging in or out by GET would put the password digest and the session
  // into URLs and logs; the client posts both.
  bool postOnly = where == "UserAuthentication" || where == "UserDisconnection";
  int status = 0;
  std::string why;
  if (request.method != "GET" && request.method != "POST") {
    status = 405, why = "only GET and POST are served";
  } else if (request.method == "GET" && postOnly) {
    status = 405, why = "log in and out with POST";
  } else if (request.path.rfind(options_.root, 0) != 0) {
    status = 404, why = "no endpoint " + request.path;
  } else if (request.method == "GET" &&
             (request.has_header("Transfer-Encoding") ||
              std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10) > 0)) {
    // The HTTP library leaves a GET body unread, to be misread as the
    // connection's next request.
    status = 400, why = "a GET request has no body";
  } else if (request.get_header_value_count("Content-Length") > 1 ||
             std::strtoull(request.get_header_value("Content-Length").c_str(), nullptr, 10) >
                 options_.maxBody) {
    status = 413, why = "the request body is larger than " + std::to_string(options_.maxBody) +
                        " bytes";
  }
  if (status == 0) return false;
  if (status == 405) response.set_header("Allow", postOnly ? "POST" : "GET, POST");
  Fail(response, status, why);
  return true;
}

bool SorrelServer::Guarded(const httplib::Request& request, httplib::Response& response) {
  if (options_.guardPath.empty() || request.path.rfind(options_.guardPath, 0) != 0) return false;
  std::string expected = "Basic " + Base64(options_.guardUser + ":" + options_.guardPassword);
  if (SameText(request.get_header_value("Authorization"), expected)) return false;
  response.set_header("WWW-Authenticate", "Basic realm=\"sorrel\"");
  Fail(response, 401, "this path needs a user name and password");
  return true;
}

void SorrelServer::HandlePost(const httplib::Request& request, httplib::Response& response,
                              const httplib::ContentReader& reader) {
  std::string body;
  bool complete = reader([&](const char* data, size_t length) {
    body.append(data, length);
    return body.size() <= options_.maxBody;
  });
  if (!complete || body.size() > options_.maxBody) {
    Fail(response, 413,
         "the request body is larger than " + std::to_string(options_.maxBody) + " bytes");
    return;
  }
  Handle(request, response, body);
}

void SorrelServer::Handle(const httplib::Request& request, httplib::Response& response,
                          const std::string& body) {
  // The query string is read here rather than by the HTTP library, which
  // splits a pair at every "=" and drops what follows the second.
  RequestParams params;
  size_t query = request.target.find('?');
  std::string type = request.get_header_value("Content-Type");
  bool form = !body.empty() &&
              (type.empty() || type.rfind("application/x-www-form-urlencoded", 0) == 0);
  if ((query != std::string::npos &&
       !params.AddForm(std::string_view(request.target).substr(query + 1))) ||
      (form && !params.AddForm(body))) {
    Fail(response, 413,
         "more than " + std::to_string(RequestParams::kMaxParams) + " parameters");
    return;
  }
  Answer answer;
  protocol_->Route(request.path.substr(options_.root.size()), params, SessionCookie(request),
                   request.remote_addr, answer);
  response.status = answer.status;
  if (!answer.cookie.empty()) {
    response.set_header("Set-Cookie", std::string(kCookieName) + "=" + answer.cookie + "; Path=" +
                                          options_.root + "; HttpOnly; SameSite=Strict" +
                                          (tls_ ? "; Secure" : ""));
  }
  response.set_content(answer.body, answer.contentType);
}
