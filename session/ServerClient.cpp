#include "session/ServerClient.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <utility>

#include "net/HttpRequest.h"
#include "net/InternetAccessControllers.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Reads a password from the terminal with echo off; empty when there is no
// terminal (scripts give SORREL_PASSWORD instead).
std::string PromptPassword(const std::string& user) {
  if (!::isatty(STDIN_FILENO)) return "";
  std::fprintf(stderr, "password for %s: ", user.c_str());
  std::fflush(stderr);
  termios saved{};
  const bool echoOff = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (echoOff) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string password;
  std::getline(std::cin, password);
  if (echoOff) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  std::fprintf(stderr, "\n");
  return password;
}

}  // namespace

const CString kUndelivered("\0undelivered", 12);

bool Delivered(const CString& output) { return !(output == kUndelivered); }

TransportFailures::TransportFailures() {
  previous_ = SetMessageBoxHandler([this](const char* text, unsigned) {
    last_ = text;
    while (!last_.empty() && (last_.back() == '\n' || last_.back() == '\r')) last_.pop_back();
    return IDOK;
  });
}

TransportFailures::~TransportFailures() { SetMessageBoxHandler(previous_); }

CString EnvironmentProxyAuthenticator::GetProxyUserName() {
  return Environment("SORREL_PROXY_USER").c_str();
}

CString EnvironmentProxyAuthenticator::GetProxyPassword() {
  return Environment("SORREL_PROXY_PASSWORD").c_str();
}

ToolListener::ToolListener(const ServerOptions& options, EventSink sink)
    : options_(options), sink_(std::move(sink)) {}

void ToolListener::Event(const std::string& name, const std::string& text, bool refusal) {
  events_.push_back(name);
  if (refusal) refused_ = true;
  if (sink_) {
    sink_(name, text);
  } else {
    std::fprintf(stderr, "sorrel: %s\n", text.c_str());
  }
}

bool ToolListener::GetAuthentication(HttpRequest&, CString& userName, CString& password) {
  if (credentialsOffered_) return false;
  credentialsOffered_ = true;
  if (user_.empty()) {
    user_ = options_.user.empty() ? Environment("SORREL_USER") : options_.user;
    if (user_.empty()) {
      std::fprintf(stderr, "sorrel: the server asks for a user name: give --user or SORREL_USER\n");
      return false;
    }
    const char* fromEnvironment = std::getenv("SORREL_PASSWORD");
    secret_ = !options_.password.empty() ? options_.password
              : fromEnvironment          ? fromEnvironment
                                         : PromptPassword(user_);
  }
  // The first refusal was of the URL's own (usually empty) credentials: the
  // user's are offered now, and this is no failure of theirs.
  refused_ = false;
  userName = user_.c_str();
  password = secret_.c_str();
  return true;
}

bool ToolListener::GetProxyAuthentication(HttpRequest&, CString&, CString&) {
  Event("proxyAuthenticationRequired",
        "the proxy refused the credentials of SORREL_PROXY_USER / SORREL_PROXY_PASSWORD", false);
  return false;
}

void ToolListener::OnConnectionFailed(InternetAccessController&) {
  connectionFailed_ = true;
  Event("connectionFailed", "no answer from the server", false);
}
void ToolListener::OnAuthenticationFailed(InternetAccessController&) {
  Event("authenticationFailed",
        credentialsOffered_ ? "user name or password refused" : "the server asks for a login",
        true);
}
void ToolListener::OnAccessDenied(InternetAccessController&) {
  Event("accessDenied", "access denied", true);
}
void ToolListener::OnAccountDisabled(InternetAccessController&) {
  Event("accountDisabled", "the account is disabled", true);
}
void ToolListener::OnCustomerAccountDisabled(InternetAccessController&) {
  Event("customerAccountDisabled", "the customer account is disabled", true);
}
void ToolListener::OnCustomerSubscriptionExpired(InternetAccessController&) {
  Event("customerSubscriptionExpired", "the customer's subscription has expired", true);
}
void ToolListener::OnAccountValidationRequired(InternetAccessController&) {
  Event("accountValidationRequired", "the account must be validated first", true);
}
void ToolListener::OnPreviousSessionClosed(InternetAccessController&) {
  Event("previousSessionClosed", "a previous session was closed", false);
}
void ToolListener::OnErrorCode(InternetAccessController&, unsigned long statusCode) {
  Event("errorCode", "the login request was answered with status " + std::to_string(statusCode),
        true);
}
void ToolListener::OnSharingAccountException(InternetAccessController&) {
  Event("sharingAccount", "the account is in use elsewhere: session closed", false);
}
void ToolListener::OnSessionHasExpired(InternetAccessController&) {
  Event("sessionExpired", "the session has expired", false);
}
void ToolListener::OnUnauthenticatedUser(InternetAccessController&) {
  Event("unauthenticatedUser", "the server no longer knows this session", false);
}
void ToolListener::OnPasswordExpired(InternetAccessController&) {
  Event("passwordExpired", "the password has expired", true);
}
