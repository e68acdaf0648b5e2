#include "session/ServerConnection.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "net/HttpController.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "platform/CMapStringToString.h"
#include "platform/ComError.h"

namespace {

constexpr unsigned long kStatusOk = 200;

// HttpController's last error text when its last exchange got a status.
const CString kNoTransportFailure("Unknown error.");

std::string ToString(const CString& text) { return std::string(text.c_str(), text.GetLength()); }

// An error page's text with the HTML character references of its title
// (&quot; &amp; &lt; &gt; &#39; &apos;) turned back into their characters;
// anything else stays as written.
std::string Unescaped(const std::string& html) {
  static const std::pair<std::string_view, char> kReferences[] = {
      {"&quot;", '"'}, {"&amp;", '&'},  {"&lt;", '<'},
      {"&gt;", '>'},   {"&#39;", '\''}, {"&apos;", '\''}};
  std::string text;
  for (size_t i = 0; i < html.size();) {
    const std::string_view rest = std::string_view(html).substr(i);
    const auto known =
        std::find_if(std::begin(kReferences), std::end(kReferences),
                     [&](const auto& entry) { return rest.starts_with(entry.first); });
    if (known == std::end(kReferences)) {
      text += html[i++];
    } else {
      text += known->second;
      i += known->first.size();
    }
  }
  return text;
}

std::string WithoutLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

ServerConnection::ServerConnection(const std::string& url,
                                   SessionListener::CredentialSource credentials,
                                   SessionListener::EventHandler events)
    : url_(url), listener_(std::move(credentials), std::move(events)) {
  registry_ = std::make_unique<InternetAccessControllers>(proxy_);
  CString servlet = url_.c_str();
  controller_ = &registry_->GetInternetAccessController(servlet);
}

ServerConnection::~ServerConnection() = default;

ServerReply ServerConnection::Run(const std::function<bool(CString& output)>& operation) {
  ServerReply reply;
  const size_t firstEvent = listener_.events().size();
  CString output;
  bool delivered = false;
  try {
    delivered = operation(output);
  } catch (const _com_error& error) {
    reply.outcome = ServerReply::Outcome::kNotXml;
    reply.failure = ToString(error.ErrorMessage());
  }
  // An operation that went through after the server asked for a login has
  // logged in: said once per login.
  const auto& events = listener_.events();
  if (delivered && std::any_of(events.begin() + static_cast<std::ptrdiff_t>(firstEvent),
                               events.end(), [](const ServerEvent& event) {
                                 return event.kind == ServerEvent::Kind::kLoginRequested;
                               })) {
    listener_.LoggedIn();
  }
  reply.events.assign(listener_.events().begin() + static_cast<std::ptrdiff_t>(firstEvent),
                      listener_.events().end());
  if (reply.outcome == ServerReply::Outcome::kNotXml) return reply;
  if (delivered) {
    reply.outcome = ServerReply::Outcome::kDelivered;
    reply.body = ToString(output);
  } else {
    Classify(reply);
  }
  return reply;
}

ServerReply ServerConnection::RunUntouched(const std::function<void(CString& output)>& operation) {
  // These operations give no other sign: the output starts as a text that no
  // answer is (a NUL byte first), so that an empty answer still counts.
  static const CString kNothingYet("\0nothing yet", 12);
  return Run([&](CString& output) {
    output = kNothingYet;
    operation(output);
    return !(output == kNothingYet);
  });
}

void ServerConnection::Classify(ServerReply& reply) const {
  using Outcome = ServerReply::Outcome;
  const CString lastError = controller_->GetHttpController().GetLastErrorMessage();
  if (!(lastError == kNoTransportFailure)) {
    reply.outcome = Outcome::kNoAnswer;
    reply.failure = WithoutLineEnds(ToString(lastError));
    return;
  }
  for (auto event = reply.events.rbegin(); event != reply.events.rend(); ++event) {
    if (event->kind == ServerEvent::Kind::kConnectionFailed) {
      reply.outcome = Outcome::kNoAnswer;
      reply.failure = WithoutLineEnds(event->failure);
      return;
    }
  }
  for (const ServerEvent& event : reply.events) {
    if (event.kind == ServerEvent::Kind::kErrorCode) {
      reply.outcome = Outcome::kNoServer;
      reply.failure = event.text;
      return;
    }
  }
  if (listener_.refused()) {
    reply.outcome = Outcome::kLoginRefused;
  } else if (reply.Saw(ServerEvent::Kind::kProxyAuthenticationRequired)) {
    reply.outcome = Outcome::kProxyRefused;
  } else if (reply.Saw(ServerEvent::Kind::kSessionExpired) ||
             reply.Saw(ServerEvent::Kind::kUnauthenticatedUser) ||
             reply.Saw(ServerEvent::Kind::kSharingAccount)) {
    reply.outcome = Outcome::kSessionLost;
  } else {
    reply.outcome = Outcome::kOtherStatus;
  }
}

ServerReply ServerConnection::Login() {
  return Run([&](CString&) { return controller_->TestConnection(listener_); });
}

ServerReply ServerConnection::DatabaseList() {
  return RunUntouched(
      [&](CString& output) { controller_->GetDatabaseListAsXml(output, listener_); });
}

ServerReply ServerConnection::BaseInfo(const std::string& base) {
  return RunUntouched([&](CString& output) {
    CString servlet = url_.c_str();
    CString name = base.c_str();
    controller_->GetBaseInfo(servlet, name, output, listener_);
  });
}

ServerReply ServerConnection::Query(const std::string& base, const std::string& question,
                                    int position, int count) {
  return RunUntouched([&](CString& output) {
    CString name = base.c_str();
    CString asked = question.c_str();
    CMapStringToString none;
    controller_->ExecuteQuery(name, asked, none, position, count, output, listener_);
  });
}

ServerReply ServerConnection::Check(const std::string& base, const std::string& question) {
  return RunUntouched([&](CString& output) {
    CString name = base.c_str();
    CString asked = question.c_str();
    CMapStringToString none;
    controller_->ParseQuery(name, asked, none, output, listener_);
  });
}

ServerReply ServerConnection::TextFile(const std::string& base, const std::string& file) {
  return Run([&](CString& output) {
    CString servlet = url_.c_str();
    CString name = base.c_str();
    CString wanted = file.c_str();
    return controller_->GetTextFile(servlet, name, wanted, output, listener_);
  });
}

std::string ServerConnection::RefusalReason(const std::string& base, const std::string& question,
                                            bool run) {
  Parameters parameters = {
      {"iac_op", "2"}, {"iac_base", base}, {"action", run ? "r" : "p"}, {"question", question}};
  if (run) parameters.emplace_back("taille", "0");
  return ErrorPage(parameters);
}

std::string ServerConnection::FileRefusalReason(const std::string& base, const std::string& file) {
  return ErrorPage({{"action", "f"}, {"iac_op", "3"}, {"iac_base", base}, {"iac_file", file}});
}

std::string ServerConnection::BaseInfoRefusalReason(const std::string& base) {
  return ErrorPage({{"iac_op", "2"}, {"iac_base", base}, {"action", "infos"}, {"version", "2.20"}});
}

std::string ServerConnection::ErrorPage(const Parameters& parameters) {
  CString servlet = url_.c_str();
  HttpRequest request(servlet);
  for (const auto& [name, value] : parameters) request.SetParameter(name.c_str(), value.c_str());
  request.SetProxyUserName(proxy_.GetProxyUserName());
  request.SetProxyPassword(proxy_.GetProxyPassword());
  HttpController& transport = controller_->GetHttpController();
  std::unique_ptr<HttpResponse> response(transport.Connect(request, *controller_));
  if (!response->IsConnectionSuccessful() || response->GetStatusCode() == kStatusOk) return "";
  std::string reason = ToString(transport.FormatErrorMessage(*response));
  // "sorrel.server.QuestionException: column 13: ..." reads better without
  // the exception's name.
  const size_t named = reason.find("Exception: ");
  if (named != std::string::npos) reason = reason.substr(named + 11);
  return Unescaped(reason);
}
