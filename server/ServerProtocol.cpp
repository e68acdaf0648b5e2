#include "server/ServerProtocol.h"

#include <cctype>
#include <utility>

#include "server/Markup.h"

ServerProtocol::ServerProtocol(Settings settings)
    : settings_(std::move(settings)),
      sessions_(settings_.sessionTimeout, settings_.sessionLifetime),
      operations_(bases_, sessions_, settings_.maxRecords),
      register_(bases_),
      logins_(settings_.logins) {}

bool ServerProtocol::Open(std::string& error) {
  if (!users_.Load(settings_.usersFile, error)) return false;
  for (const auto& folder : settings_.bases) {
    auto base = std::make_unique<PatentBase>();
    if (!base->Open(folder, error)) return false;
    bases_.push_back(std::move(base));
  }
  return true;
}

void ServerProtocol::Route(const std::string& path, const RequestParams& params,
                           const std::string& cookie, const std::string& address, Answer& answer) {
  bool xmlServerPath =
      path == "search.cgi" || path == "getfile.cgi" || path == "XMLServerUserRequest";
  if (path == "UserAuthentication") {
    Authenticate(params, address, answer);
  } else if (path == "UserDisconnection") {
    if (!cookie.empty()) sessions_.Close(cookie);
    answer.contentType = "text/plain; charset=UTF-8";
    answer.body = "disconnected\n";
  } else if (path == "Search") {
    Servlet(params, cookie, answer);
  } else if (xmlServerPath && settings_.xmlServer) {
    operations_.Run(params, "", true, answer);
  } else if (path == "register") {
    register_.Lookup(params, answer);
  } else if (path == "AuthenticationForm" || path == "Welcome") {
    answer.contentType = "text/html; charset=UTF-8";
    std::string error = params.Get("accountError", "0");
    answer.body = Markup::Page(path == "Welcome" ? "Welcome to sorrel-server" : "Your account",
                               "account error code: " + error);
  } else {
    answer.Fail(404, "NotFoundException", "no endpoint " + settings_.root + path);
  }
}

void ServerProtocol::Servlet(const RequestParams& params, const std::string& cookie,
                             Answer& answer) {
  switch (cookie.empty() ? SessionTable::Status::kUnknown : sessions_.Touch(cookie)) {
    case SessionTable::Status::kOpen:
      operations_.Run(params, cookie, false, answer);
      break;
    case SessionTable::Status::kExpired:
      answer.Fail(500, "ExpiredSessionException",
                  "the session was idle for longer than " +
                      std::to_string(settings_.sessionTimeout.count()) +
                      " seconds or is older than " +
                      std::to_string(settings_.sessionLifetime.count()) + " seconds");
      break;
    case SessionTable::Status::kShared:
      answer.Fail(500, "SharingAccountException",
                  "the account has been logged in elsewhere, which closed this session");
      break;
    case SessionTable::Status::kUnknown:
      answer.Fail(500, "UnauthenticatedUserException",
                  "no session: log in through UserAuthentication first");
      break;
  }
}

void ServerProtocol::Authenticate(const RequestParams& params, const std::string& address,
                                  Answer& answer) {
  if (!params.Has("iac_user") || !params.Has("iac_pwd")) {
    answer.Fail(400, "MissingParameterException", "iac_user and iac_pwd are required");
    return;
  }
  std::string user = params.Get("iac_user");
  std::string digest = params.Get("iac_pwd");
  for (char& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  UserDirectory::State state = UserDirectory::State::kActive;
  // A user or address that is locked, or still waiting out the delay after
  // a failure, is refused without a check, in the words of a wrong password.
  // No user has an empty name: the client's first login, made before it has
  // asked for credentials, is refused without counting as a guess.
  bool known = false;
  if (!user.empty() && logins_.MayTry(user, address)) {
    known = users_.Check(user, digest, state);
    logins_.Record(user, address, known);
  }
  bool previousClosed = false;
  if (known && state == UserDirectory::State::kActive) {
    answer.cookie = sessions_.Open(user, previousClosed);
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
