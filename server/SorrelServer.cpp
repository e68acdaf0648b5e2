#include "server/SorrelServer.h"

#include <httplib.h>
#include <strings.h>
#include <sys/socket.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "ktf/KtfDocumentReader.h"
#include "ktf/KtfDocumentWriter.h"
#include "server/Latin1.h"
#include "server/QueryParser.h"

namespace {

constexpr const char* kCookieName = "JSESSIONID";
constexpr int kListenBacklog = 512;
constexpr const char* kExceptionPrefix = "sorrel.server.";

// Text for XML or HTML: markup characters escaped, 8-bit bytes as UTF-8,
// control characters other than tab and line ends dropped (XML forbids them).
std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : Latin1ToUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
          out += c;
        }
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FormDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

void ParseForm(std::string_view body, std::multimap<std::string, std::string>& params) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view pair = body.substr(start, end - start);
    if (!pair.empty()) {
      size_t equals = pair.find('=');
      std::string name = FormDecode(pair.substr(0, equals));
      std::string value =
          equals == std::string_view::npos ? "" : FormDecode(pair.substr(equals + 1));
      params.emplace(std::move(name), std::move(value));
    }
    start = end + 1;
  }
}

// The last value sent for `name` (a form may repeat a name; the latest wins),
// or `fallback`.
std::string Param(const std::multimap<std::string, std::string>& params, const std::string& name,
                  const std::string& fallback = "") {
  auto range = params.equal_range(name);
  if (range.first == range.second) return fallback;
  return std::prev(range.second)->second;
}

bool Has(const std::multimap<std::string, std::string>& params, const std::string& name) {
  return params.count(name) > 0;
}

std::string Page(const std::string& title, const std::string& message) {
  return "<html><head><title>" + Escaped(title) + "</title></head><body><h1>" + Escaped(title) +
         "</h1><p>" + Escaped(message) + "</p></body></html>\n";
}

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

// A decimal number of at most nine digits; false for anything else.
bool ReadCount(const std::string& text, size_t& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::stoul(text);
  return true;
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
    default:
      return "HttpException";
  }
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
  if (!users_.Load(options_.usersFile, error)) return false;
  for (const auto& folder : options_.bases) {
    auto base = std::make_unique<PatentBase>();
    if (!base->Open(folder, error)) return false;
    bases_.push_back(std::move(base));
  }
  sessions_ = std::make_unique<SessionTable>(options_.sessionTimeout);
  tls_ = !options_.tlsCert.empty() || !options_.tlsKey.empty();
  if (tls_) {
    auto server =
        std::make_unique<httplib::SSLServer>(options_.tlsCert.c_str(), options_.tlsKey.c_str());
    if (!server->is_valid()) {
      error = "cannot use the TLS certificate " + options_.tlsCert + " and key " + options_.tlsKey;
      return false;
    }
    http_ = std::move(server);
  } else {
    http_ = std::make_unique<httplib::Server>();
  }
  size_t threads = std::max<size_t>(1, options_.threads);
  http_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  http_->set_payload_max_length(options_.maxBody);
  http_->set_keep_alive_max_count(100);
  http_->set_keep_alive_timeout(2);
  http_->set_read_timeout(5, 0);
  http_->set_write_timeout(5, 0);
  // An answer leaves in more than one write (headers, then body); with
  // Nagle's algorithm the body would wait for the client's delayed
  // acknowledgement, some 40 ms per request on loopback.
  http_->set_tcp_nodelay(true);
  http_->set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        return Guarded(request, response) ? httplib::Server::HandlerResponse::Handled
                                          : httplib::Server::HandlerResponse::Unhandled;
      });
  std::string pattern = options_.root + ".*";
  http_->Get(pattern, [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response, "");
  });
  http_->Post(pattern, [this](const httplib::Request& request, httplib::Response& response,
                              const httplib::ContentReader& reader) {
    std::string body;
    bool complete = reader([&](const char* data, size_t length) {
      body.append(data, length);
      return body.size() <= options_.maxBody;
    });
    if (!complete || body.size() > options_.maxBody) {
      response.status = 413;
      response.set_content(
          Page(std::string(kExceptionPrefix) + "RequestTooLargeException",
               "the request body is larger than " + std::to_string(options_.maxBody) + " bytes"),
          "text/html; charset=UTF-8");
      return;
    }
    Handle(request, response, body);
  });
  http_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    std::string name = std::string(kExceptionPrefix) + ExceptionForStatus(response.status);
    response.set_content(Page(name, "HTTP status " + std::to_string(response.status)),
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
        Log(std::string("error: ") + what);
        response.status = 500;
        response.set_content(Page(std::string(kExceptionPrefix) + "ServerException", what),
                             "text/html; charset=UTF-8");
      });
  http_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    Log(std::string(stamp) + " " + request.remote_addr + " " + request.method + " " + request.path +
        " " + std::to_string(response.status) + " " + std::to_string(response.body.size()));
  });
  // The library listens with a backlog of five; 200 clients connecting at
  // once would then wait for SYN retries. The socket is taken here and given
  // a deeper backlog once bound.
  int listening = -1;
  http_->set_socket_options([&listening](int socket) {
    int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening = socket;
  });
  port_ = options_.port == 0
              ? http_->bind_to_any_port(options_.host)
              : (http_->bind_to_port(options_.host, options_.port) ? options_.port : -1);
  if (port_ <= 0) {
    error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
    return false;
  }
  if (listening >= 0) ::listen(listening, kListenBacklog);
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

bool SorrelServer::Guarded(const httplib::Request& request, httplib::Response& response) {
  if (options_.guardPath.empty() || request.path.rfind(options_.guardPath, 0) != 0) return false;
  std::string expected = "Basic " + Base64(options_.guardUser + ":" + options_.guardPassword);
  if (request.get_header_value("Authorization") == expected) return false;
  response.status = 401;
  response.set_header("WWW-Authenticate", "Basic realm=\"sorrel\"");
  response.set_content(Page("401 Unauthorized", "this path needs a user name and password"),
                       "text/html; charset=UTF-8");
  return true;
}

void SorrelServer::Handle(const httplib::Request& request, httplib::Response& response,
                          const std::string& body) {
  Params params(request.params.begin(), request.params.end());
  std::string type = request.get_header_value("Content-Type");
  if (!body.empty() && (type.empty() || type.rfind("application/x-www-form-urlencoded", 0) == 0)) {
    ParseForm(body, params);
  }
  Answer answer;
  Route(request.path.substr(options_.root.size()), params, SessionCookie(request), answer);
  response.status = answer.status;
  if (!answer.cookie.empty()) {
    response.set_header("Set-Cookie", std::string(kCookieName) + "=" + answer.cookie + "; Path=" +
                                          options_.root + "; HttpOnly" + (tls_ ? "; Secure" : ""));
  }
  response.set_content(answer.body, answer.contentType);
}

void SorrelServer::Fail(Answer& answer, int status, const std::string& exception,
                        const std::string& message) {
  answer.status = status;
  answer.contentType = "text/html; charset=UTF-8";
  answer.body = Page(kExceptionPrefix + exception + ": " + message, message);
}

void SorrelServer::Route(const std::string& path, const Params& params, const std::string& cookie,
                         Answer& answer) {
  if (path == "UserAuthentication") {
    Authenticate(params, answer);
  } else if (path == "UserDisconnection") {
    if (!cookie.empty()) sessions_->Close(cookie);
    answer.contentType = "text/plain; charset=UTF-8";
    answer.body = "disconnected\n";
  } else if (path == "Search") {
    switch (cookie.empty() ? SessionTable::Status::kUnknown : sessions_->Touch(cookie)) {
      case SessionTable::Status::kOpen:
        Servlet(params, cookie, false, answer);
        break;
      case SessionTable::Status::kExpired:
        Fail(answer, 500, "ExpiredSessionException",
             "the session was idle for longer than " +
                 std::to_string(options_.sessionTimeout.count()) + " seconds");
        break;
      case SessionTable::Status::kShared:
        Fail(answer, 500, "SharingAccountException",
             "the account has been logged in elsewhere, which closed this session");
        break;
      case SessionTable::Status::kUnknown:
        Fail(answer, 500, "UnauthenticatedUserException",
             "no session: log in through UserAuthentication first");
        break;
    }
  } else if (path == "search.cgi" || path == "getfile.cgi" || path == "XMLServerUserRequest") {
    Servlet(params, "", true, answer);
  } else if (path == "register") {
    Register(params, answer);
  } else if (path == "AuthenticationForm" || path == "Welcome") {
    answer.contentType = "text/html; charset=UTF-8";
    std::string error = Param(params, "accountError", "0");
    answer.body = Page(path == "Welcome" ? "Welcome to sorrel-server" : "Your account",
                       "account error code: " + error);
  } else {
    Fail(answer, 404, "NotFoundException", "no endpoint " + options_.root + path);
  }
}

void SorrelServer::Authenticate(const Params& params, Answer& answer) {
  if (!Has(params, "iac_user") || !Has(params, "iac_pwd")) {
    Fail(answer, 400, "MissingParameterException", "iac_user and iac_pwd are required");
    return;
  }
  std::string user = Param(params, "iac_user");
  std::string digest = Param(params, "iac_pwd");
  for (char& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  UserDirectory::State state = UserDirectory::State::kActive;
  bool known = users_.Check(user, digest, state);
  bool previousClosed = false;
  if (known && state == UserDirectory::State::kActive) {
    answer.cookie = sessions_->Open(user, previousClosed);
  }
  using S = UserDirectory::State;
  auto flag = [](bool value) { return value ? "true" : "false"; };
  answer.contentType = "text/xml; charset=UTF-8";
  answer.body = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<authentication>\n") +
                "  <authenticated>" + flag(known) + "</authenticated>\n" + "  <accountEnabled>" +
                flag(!known || state != S::kDisabled) + "</accountEnabled>\n" +
                "  <customerAccountEnabled>" + flag(!known || state != S::kCustomerDisabled) +
                "</customerAccountEnabled>\n" + "  <customerSubscriptionValid>" +
                flag(!known || state != S::kSubscriptionExpired) +
                "</customerSubscriptionValid>\n" + "  <passwordExpired>" +
                flag(known && state == S::kPasswordExpired) + "</passwordExpired>\n" +
                "  <accountValidationRequired>" + flag(known && state == S::kValidationRequired) +
                "</accountValidationRequired>\n" + "  <previousSessionClosed>" +
                flag(previousClosed) + "</previousSessionClosed>\n</authentication>\n";
}

PatentBase* SorrelServer::FindBase(const std::string& name) {
  for (auto& base : bases_) {
    if (strcasecmp(base->Name().c_str(), name.c_str()) == 0) return base.get();
  }
  return nullptr;
}

void SorrelServer::Servlet(const Params& params, const std::string& session, bool xmlServer,
                           Answer& answer) {
  std::string op = Param(params, "iac_op");
  std::string action = Param(params, "action");
  std::string baseName = Param(params, "iac_base", Param(params, "base"));
  if (op.empty()) {
    if (!xmlServer) {
      Fail(answer, 400, "MissingParameterException", "iac_op is required");
      return;
    }
    // The XML-server variant names no operation: the action says it.
    op = action == "f" ? "3" : (action == "r" || action == "p" || !baseName.empty()) ? "2" : "1";
    if (action.empty()) action = "infos";
  }
  if (op == "1") {
    if (action != "infos") {
      Fail(answer, 400, "UnknownOperationException",
           "iac_op 1 knows only action=infos, not \"" + action + "\"");
      return;
    }
    DatabaseList(answer);
    return;
  }
  if (op != "2" && op != "3") {
    Fail(answer, 400, "UnknownOperationException",
         "iac_op \"" + op + "\" is not an operation (1, 2 or 3)");
    return;
  }
  if (baseName.empty()) {
    Fail(answer, 400, "MissingParameterException", "iac_base is required");
    return;
  }
  PatentBase* base = FindBase(baseName);
  if (base == nullptr) {
    Fail(answer, 404, "UnknownBaseException", "no base named \"" + baseName + "\"");
    return;
  }
  if (op == "3") {
    if (action != "f") {
      Fail(answer, 400, "UnknownOperationException",
           "iac_op 3 knows only action=f, not \"" + action + "\"");
      return;
    }
    std::string file = Param(params, "iac_file", Param(params, "file"));
    if (file.empty()) {
      Fail(answer, 400, "MissingParameterException", "iac_file is required");
      return;
    }
    TextFile(*base, file, answer);
  } else if (action == "infos") {
    BaseInfo(*base, answer);
  } else if (action == "r" || action == "p") {
    RunQuestion(*base, params, session, action == "r", answer);
  } else {
    Fail(answer, 400, "UnknownOperationException",
         "iac_op 2 knows action=infos, r and p, not \"" + action + "\"");
  }
}

void SorrelServer::DatabaseList(Answer& answer) {
  answer.contentType = "text/xml; charset=UTF-8";
  answer.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<databases>\n";
  for (const auto& base : bases_) {
    answer.body += "  <database name=\"" + Escaped(base->Name()) + "\" documents=\"" +
                   std::to_string(base->Engine().DocumentCount()) + "\" title=\"" +
                   Escaped(base->Title()) + "\"/>\n";
  }
  answer.body += "</databases>\n";
}

void SorrelServer::BaseInfo(PatentBase& base, Answer& answer) {
  answer.contentType = "text/xml; charset=UTF-8";
  std::string& xml = answer.body;
  xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<base name=\"" + Escaped(base.Name()) +
        "\" documents=\"" + std::to_string(base.Engine().DocumentCount()) + "\">\n  <title>" +
        Escaped(base.Title()) + "</title>\n  <fields>\n";
  for (const auto& [code, type] : QueryParser::Fields()) {
    const char* name = type == QueryParser::FieldType::kText     ? "text"
                       : type == QueryParser::FieldType::kNumber ? "number"
                                                                 : "date";
    xml += "    <field code=\"" + code + "\" type=\"" + name + "\"/>\n";
  }
  xml += "  </fields>\n  <files>\n";
  for (const auto& file : base.FileNames()) xml += "    <file name=\"" + Escaped(file) + "\"/>\n";
  xml += "  </files>\n</base>\n";
}

void SorrelServer::RunQuestion(PatentBase& base, const Params& params, const std::string& session,
                               bool run, Answer& answer) {
  if (!Has(params, "question")) {
    Fail(answer, 400, "MissingParameterException", "question is required");
    return;
  }
  std::string question = Param(params, "question");
  QueryNode root;
  std::string error;
  if (!QueryParser::Parse(question, root, error)) {
    Fail(answer, 400, "QuestionException", error);
    return;
  }
  if (!run) {
    answer.body = "STATUS=OK\nQUESTION=" + KtfDocumentWriter::Escape(root.ToString()) + "\n";
    return;
  }
  size_t position = 1, size = 10;
  if ((Has(params, "position") && !ReadCount(Param(params, "position"), position)) ||
      position == 0 || (Has(params, "taille") && !ReadCount(Param(params, "taille"), size))) {
    Fail(answer, 400, "ParameterException",
         "position must be a number from 1 and taille a number from 0");
    return;
  }
  size = std::min(size, options_.maxRecords);
  auto hits = std::make_shared<SearchEngine::HitList>();
  SearchEngine::Sets sets = session.empty() ? SearchEngine::Sets{} : sessions_->SetsOf(session);
  if (!base.Engine().Run(root, sets, *hits, error)) {
    bool engineFault = error.rfind("search engine:", 0) == 0;
    Fail(answer, engineFault ? 500 : 400,
         engineFault ? "SearchEngineException" : "QuestionException", error);
    return;
  }
  std::vector<std::string> documents;
  if (!base.Engine().Fetch(*hits, position, size, documents, error)) {
    Fail(answer, 500, "SearchEngineException", error);
    return;
  }
  size_t count = hits->size();
  // A question that only names an earlier set (paging through "$2") answers
  // as that set and makes no new one.
  int set = session.empty()                         ? 0
            : root.kind == QueryNode::Kind::kSetRef ? root.set
                                                    : sessions_->AddSet(session, std::move(hits));
  std::string& text = answer.body;
  text = "HITS=" + std::to_string(count) + "\nPOSITION=" + std::to_string(position) +
         "\nRECORDS=" + std::to_string(documents.size()) + "\n";
  if (set > 0) text += "SET=" + std::to_string(set) + "\n";
  for (const auto& document : documents) text += "\n" + document;
}

void SorrelServer::TextFile(PatentBase& base, const std::string& file, Answer& answer) {
  if (!base.ReadFile(file, answer.body)) {
    Fail(answer, 404, "FileNotFoundException",
         "base " + base.Name() + " has no file \"" + file + "\"");
    return;
  }
  bool text = file.size() > 4 && (file.ends_with(".txt") || file.ends_with(".ini") ||
                                  file.ends_with(".ktf") || file.ends_with(".xml"));
  answer.contentType = text ? "text/plain; charset=windows-1252" : "application/octet-stream";
}

void SorrelServer::Register(const Params& params, Answer& answer) {
  answer.contentType = "text/plain; charset=UTF-8";
  for (const char* name : {"country", "number", "kind"}) {
    if (Param(params, name).empty()) {
      answer.status = 400;
      answer.body = std::string("missing parameter ") + name + "\n";
      return;
    }
  }
  std::string number =
      Param(params, "country") + " " + Param(params, "number") + " " + Param(params, "kind");
  std::string text;
  const PatentBase* owner = nullptr;
  for (auto& base : bases_) {
    if (base->Engine().FindByNumber(number, text)) {
      owner = base.get();
      break;
    }
  }
  KtfDocumentReader found;
  if (owner == nullptr || !found.Parse(text) || found.documents().empty()) {
    answer.status = 404;
    answer.body = "patent not found";
    return;
  }
  const KtfDocument& doc = found.documents().front();
  const KtfDocument* entry = owner->RegisterEntry(number);
  auto part = [&](const char* name) { return Param(params, name) == "1"; };
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<patent country=\"" +
                    Escaped(Param(params, "country")) + "\" number=\"" +
                    Escaped(Param(params, "number")) + "\" kind=\"" +
                    Escaped(Param(params, "kind")) + "\">\n";
  auto list = [&](const char* outer, const char* inner, const char* code) {
    xml += std::string("    <") + outer + ">";
    for (const auto& value : doc.Values(code)) {
      xml += std::string("<") + inner + ">" + Escaped(value) + "</" + inner + ">";
    }
    xml += std::string("</") + outer + ">\n";
  };
  if (part("biblio")) {
    xml += "  <biblio>\n    <title>" + Escaped(doc.First("TI")) + "</title>\n";
    list("applicants", "applicant", "PA");
    list("inventors", "inventor", "IN");
    xml += "    <dates><publication>" + Escaped(doc.First("PD")) + "</publication><application>" +
           Escaped(doc.First("AD")) + "</application><priority>" + Escaped(doc.First("PRD")) +
           "</priority></dates>\n";
    xml += "    <classification>";
    for (const auto& value : doc.Values("IC")) xml += "<ipc>" + Escaped(value) + "</ipc>";
    for (const auto& value : doc.Values("CPC")) xml += "<cpc>" + Escaped(value) + "</cpc>";
    xml += "</classification>\n  </biblio>\n";
  }
  if (part("family")) {
    xml += "  <family>\n";
    for (const auto& member : entry ? entry->Values("FM") : std::vector<std::string>{}) {
      // "CC NUMBER KIND"
      size_t first = member.find(' ');
      size_t second = member.find(' ', first == std::string::npos ? first : first + 1);
      if (first == std::string::npos || second == std::string::npos) continue;
      xml += "    <member country=\"" + Escaped(member.substr(0, first)) + "\" number=\"" +
             Escaped(member.substr(first + 1, second - first - 1)) + "\" kind=\"" +
             Escaped(member.substr(second + 1)) + "\"/>\n";
    }
    xml += "  </family>\n";
  }
  if (part("legal")) {
    xml += "  <legal>\n";
    for (const auto& event : entry ? entry->Values("LE") : std::vector<std::string>{}) {
      // "DATE CODE TEXT"
      size_t first = event.find(' ');
      size_t second = event.find(' ', first == std::string::npos ? first : first + 1);
      if (first == std::string::npos || second == std::string::npos) continue;
      xml += "    <event date=\"" + Escaped(event.substr(0, first)) + "\" code=\"" +
             Escaped(event.substr(first + 1, second - first - 1)) + "\">" +
             Escaped(event.substr(second + 1)) + "</event>\n";
    }
    xml += "  </legal>\n";
  }
  xml += "</patent>\n";
  answer.contentType = "application/xml; charset=UTF-8";
  answer.body = std::move(xml);
}
