#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "net/IacListener.h"
#include "net/InternetAccessController.h"
#include "net/ProxyAuthenticator.h"

// Records every session event by name and answers the server's credential
// requests from a queue (declining when it is empty, which is recorded too).
// Proxy prompts are counted and answered with proxyUser / proxyPassword when
// those are set.
class RecordingListener : public IacListener {
 public:
  std::vector<std::string> events;
  std::deque<std::pair<std::string, std::string>> credentials;
  int proxyPrompts = 0;
  CString proxyUser;
  CString proxyPassword;

  bool GetAuthentication(HttpRequest&, CString& userName, CString& password) override {
    events.push_back("GetAuthentication");
    if (credentials.empty()) return false;
    userName = credentials.front().first.c_str();
    password = credentials.front().second.c_str();
    credentials.pop_front();
    return true;
  }
  bool GetProxyAuthentication(HttpRequest&, CString& userName, CString& password) override {
    ++proxyPrompts;
    if (proxyUser.IsEmpty()) return false;
    userName = proxyUser;
    password = proxyPassword;
    return true;
  }
  void OnConnectionFailed(InternetAccessController&) override { Add("ConnectionFailed"); }
  void OnAuthenticationFailed(InternetAccessController&) override { Add("AuthenticationFailed"); }
  void OnAccessDenied(InternetAccessController&) override { Add("AccessDenied"); }
  void OnAccountDisabled(InternetAccessController&) override { Add("AccountDisabled"); }
  void OnCustomerAccountDisabled(InternetAccessController&) override {
    Add("CustomerAccountDisabled");
  }
  void OnCustomerSubscriptionExpired(InternetAccessController&) override {
    Add("CustomerSubscriptionExpired");
  }
  void OnAccountValidationRequired(InternetAccessController&) override {
    Add("AccountValidationRequired");
  }
  void OnPreviousSessionClosed(InternetAccessController&) override { Add("PreviousSessionClosed"); }
  void OnErrorCode(InternetAccessController&, unsigned long status) override {
    Add("ErrorCode " + std::to_string(status));
  }
  void OnSharingAccountException(InternetAccessController&) override { Add("SharingAccount"); }
  void OnSessionHasExpired(InternetAccessController&) override { Add("SessionHasExpired"); }
  void OnUnauthenticatedUser(InternetAccessController&) override { Add("UnauthenticatedUser"); }
  void OnPasswordExpired(InternetAccessController&) override { Add("PasswordExpired"); }

 private:
  void Add(const std::string& name) { events.push_back(name); }
};

// Gives the proxy credentials it was made with (none by default).
class FixedProxyAuthenticator : public ProxyAuthenticator {
 public:
  explicit FixedProxyAuthenticator(const char* user = "", const char* password = "")
      : user_(user), password_(password) {}
  CString GetProxyUserName() override { return user_; }
  CString GetProxyPassword() override { return password_; }

 private:
  CString user_;
  CString password_;
};
