#include "web/WebServer.h"

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <system_error>
#include <utility>

#include "bundle/BundledData.h"
#include "platform/DiagnosticSink.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// No inline script, nothing from outside; the document view may be framed
// by the page only.
constexpr const char* kPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; frame-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'self'";

// How long a request for events waits for one before it answers with none.
constexpr std::chrono::seconds kEventsWait{25};

// A page file's or a made file's name: no folder, no dot first.
const std::regex kSafeName(R"([A-Za-z0-9_][A-Za-z0-9_.-]*)");
// The page's name for one opening of a document.
const std::regex kTicket(R"([A-Za-z0-9]{1,40})");

std::string ContentType(const std::string& name) {
  static const std::map<std::string, std::string> types = {
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".png", "image/png"},
      {".tif", "image/tiff"},
      {".xml", "application/xml"},
      {".xhtml", "application/xhtml+xml"},
      {".sgml", "text/plain; charset=windows-1252"},
      {".svg", "image/svg+xml"}};
  const auto found = types.find(fs::path(name).extension().string());
  return found == types.end() ? "application/octet-stream" : found->second;
}

bool ReadFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void SendJson(httplib::Response& response, const Json& answer) {
  response.set_content(answer.dump(-1, ' ', false, Json::error_handler_t::replace),
                       "application/json");
}

void Refuse(httplib::Response& response, int status, const std::string& why) {
  response.status = status;
  response.set_content(why + "\n", "text/plain; charset=utf-8");
}

int IntParameter(const httplib::Request& request, const char* name, int otherwise) {
  const std::string value = request.get_param_value(name);
  try {
    return value.empty() ? otherwise : std::stoi(value);
  } catch (const std::exception&) {
    return otherwise;
  }
}

// The body of a POST as a JSON object; an empty object when it is not one.
Json Body(const httplib::Request& request) {
  Json body = Json::parse(request.body, nullptr, false);
  return body.is_object() ? body : Json::object();
}

// A member of a request's body, `otherwise` when absent or of another type.
int IntField(const Json& body, const char* name, int otherwise) {
  const auto found = body.find(name);
  return found != body.end() && found->is_number_integer() ? found->get<int>() : otherwise;
}
std::string TextField(const Json& body, const char* name) {
  const auto found = body.find(name);
  return found != body.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

WebServer::WebServer(WebDesk& desk, std::string pageDir)
    : desk_(desk), pageDir_(std::move(pageDir)), http_(std::make_unique<httplib::Server>()) {}

WebServer::~WebServer() = default;

std::string WebServer::PageFolder() {
  const fs::path program = BundledData::ProgramFolder();
  if (program.empty()) return {};
  // An installed prefix (bin/ beside share/), then a build folder, whose
  // share/sorrel/web links to the sources' web/page.
  std::error_code failed;
  for (const fs::path& candidate : {program.parent_path() / "share/sorrel/web",
                                    program / "share/sorrel/web"}) {
    if (fs::is_regular_file(candidate / "index.html", failed)) {
      return candidate.lexically_normal().string();
    }
  }
  return {};
}

bool WebServer::Bind(int port, std::string& error) {
  // A stop waits for the open connections: keep them short. An answer goes
  // out in two writes (head, body): without TCP_NODELAY on the listening
  // socket, which the connections inherit, the second write of a kept-alive
  // connection waits for the browser's delayed acknowledgement, 40 ms.
  http_->set_keep_alive_timeout(1);
  http_->set_keep_alive_max_count(100);
  http_->set_tcp_nodelay(true);
  const int bound = port == 0 ? http_->bind_to_any_port("127.0.0.1")
                              : (http_->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) {
    error = "cannot listen on 127.0.0.1" + (port == 0 ? std::string() : ":" + std::to_string(port));
    return false;
  }
  access_ = std::make_unique<WebAccess>(bound, WebAccess::NewSecret());
  AddRoutes();
  return true;
}

std::string WebServer::Address() const { return access_ ? access_->Address() : std::string(); }

bool WebServer::Serve() { return http_->listen_after_bind(); }

void WebServer::Stop() {
  // A page's request waiting for events would hold the stop for its time.
  desk_.CloseEvents();
  http_->stop();
}

void WebServer::AddRoutes() {
  http_->set_payload_max_length(1 << 20);
  http_->set_pre_routing_handler([this](const httplib::Request& request,
                                        httplib::Response& response) {
    response.set_header("Content-Security-Policy", kPolicy);
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("Cache-Control", "no-store");
    const WebAccess::Request asked = {request.method, request.get_header_value("Host"),
                                      request.get_header_value("Origin"),
                                      request.get_header_value("Cookie"),
                                      request.get_param_value("k")};
    switch (access_->Judge(asked)) {
      case WebAccess::Verdict::kAllowed:
        return httplib::Server::HandlerResponse::Unhandled;
      case WebAccess::Verdict::kLetIn:
        response.set_header("Set-Cookie", access_->Cookie());
        response.set_redirect(request.path);
        return httplib::Server::HandlerResponse::Handled;
      case WebAccess::Verdict::kWrongHost:
        Refuse(response, 403, "this server answers at 127.0.0.1 and localhost only");
        break;
      case WebAccess::Verdict::kForeignOrigin:
        Refuse(response, 403, "a request that changes state must come from the page");
        break;
      case WebAccess::Verdict::kForbidden:
        Refuse(response, 403, "open the address that sorrel web printed");
        break;
    }
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     ("(WebServer) refused " + request.method + " " + request.path).c_str());
    return httplib::Server::HandlerResponse::Handled;
  });
  http_->Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/page/index.html");
  });
  http_->Get(R"(/page/([^/]+))", [this](const httplib::Request& request,
                                         httplib::Response& response) {
    const std::string name = request.matches[1];
    std::string bytes;
    if (!std::regex_match(name, kSafeName) || !ReadFile(fs::path(pageDir_) / name, bytes)) {
      Refuse(response, 404, "no such page file");
      return;
    }
    response.set_content(bytes, ContentType(name).c_str());
  });
  AddApiRoutes();
  AddFileRoutes();
}

void WebServer::AddApiRoutes() {
  http_->Get("/api/state", [this](const httplib::Request&, httplib::Response& response) {
    SendJson(response, desk_.State());
  });
  // A long poll: answers when the desk has a notice of its own, or after
  // kEventsWait with none, so that a page hears of a server gone while idle.
  http_->Get("/api/events", [this](const httplib::Request&, httplib::Response& response) {
    SendJson(response, desk_.Events(kEventsWait));
  });
  http_->Post("/api/line", [this](const httplib::Request& request, httplib::Response& response) {
    const Json body = Body(request);
    if (!body.contains("line") || !body["line"].is_string()) {
      Refuse(response, 400, "a line is wanted: {\"line\": \"...\"}");
      return;
    }
    SendJson(response, desk_.Line(TextField(body, "line")));
  });
  http_->Get("/api/hits", [this](const httplib::Request& request, httplib::Response& response) {
    const int count = std::clamp(IntParameter(request, "count", 10), 1, 50);
    SendJson(response, desk_.Hits(IntParameter(request, "set", 0),
                                  std::max(1, IntParameter(request, "from", 1)), count));
  });
  http_->Post("/api/open", [this](const httplib::Request& request, httplib::Response& response) {
    const Json body = Body(request);
    SendJson(response, desk_.Open(IntField(body, "set", 0), IntField(body, "position", 0),
                                  TextField(body, "ticket")));
  });
  http_->Post("/api/register", [this](const httplib::Request& request,
                                      httplib::Response& response) {
    SendJson(response, desk_.Register(TextField(Body(request), "number")));
  });
}

void WebServer::AddFileRoutes() {
  http_->Get(R"(/files/([^/]+))", [this](const httplib::Request& request,
                                          httplib::Response& response) {
    const std::string name = request.matches[1];
    std::string problem = "no such file in this session";
    const std::optional<std::string> path =
        std::regex_match(name, kSafeName) ? desk_.FilePath(name, problem) : std::nullopt;
    std::string bytes;
    if (!path || !ReadFile(*path, bytes)) {
      Refuse(response, 404, path ? "cannot read " + name : problem);
      return;
    }
    if (request.has_param("download")) {
      response.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    }
    response.set_content(bytes, ContentType(name).c_str());
  });
  // The first page of a document being opened, asked for beside its Open.
  http_->Get("/api/page", [this](const httplib::Request& request, httplib::Response& response) {
    const std::string ticket = request.get_param_value("ticket");
    std::string problem = "no such ticket";
    const std::optional<std::string> path =
        std::regex_match(ticket, kTicket) ? desk_.FirstPage(ticket, problem) : std::nullopt;
    std::string bytes;
    if (!path || !ReadFile(*path, bytes)) {
      Refuse(response, 404, path ? "cannot read the first page" : problem);
      return;
    }
    response.set_content(bytes, ContentType(*path).c_str());
  });
}
