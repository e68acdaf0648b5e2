// A whole session with the reference server over HTTPS with a certificate of
// the test authority, and through a real proxy that demands credentials.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/InternetAccessController.h"
#include "tests/common/ReferenceServer.h"
#include "tests/net/NetTestSupport.h"
#include "tests/servers/TestCertificates.h"
#include "tests/servers/TinyProxy.h"

namespace {

// Gives the proxy credentials it was made with, and counts the requests.
class FixedProxyAuthenticator : public ProxyAuthenticator {
 public:
  FixedProxyAuthenticator(const char* user, const char* password)
      : user_(user), password_(password) {}
  CString GetProxyUserName() override { return user_; }
  CString GetProxyPassword() override { return password_; }

 private:
  CString user_;
  CString password_;
};

// Declines server credentials, answers proxy prompts from a fixed pair and
// counts them; records every event name.
class SessionListener : public IacListener {
 public:
  std::vector<std::string> events;
  int proxyPrompts = 0;
  CString proxyUser;
  CString proxyPassword;

  bool GetAuthentication(HttpRequest&, CString&, CString&) override {
    events.push_back("GetAuthentication");
    return false;
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
  void OnCustomerAccountDisabled(InternetAccessController&) override { Add("Customer"); }
  void OnCustomerSubscriptionExpired(InternetAccessController&) override { Add("Subscription"); }
  void OnAccountValidationRequired(InternetAccessController&) override { Add("Validation"); }
  void OnPreviousSessionClosed(InternetAccessController&) override { Add("PreviousSession"); }
  void OnErrorCode(InternetAccessController&, unsigned long status) override {
    Add("ErrorCode " + std::to_string(status));
  }
  void OnSharingAccountException(InternetAccessController&) override { Add("Sharing"); }
  void OnSessionHasExpired(InternetAccessController&) override { Add("Expired"); }
  void OnUnauthenticatedUser(InternetAccessController&) override { Add("Unauthenticated"); }
  void OnPasswordExpired(InternetAccessController&) override { Add("PasswordExpired"); }

 private:
  void Add(const std::string& name) { events.push_back(name); }
};

std::string Text(const CString& text) { return std::string(text.c_str(), text.GetLength()); }

// Logs in, runs a question and checks it, as a client's search does.
void RunSearch(InternetAccessController& controller, SessionListener& listener) {
  CString base = "SMALL";
  CString question = "TI AB=solar";
  CMapStringToString none;
  ASSERT_TRUE(controller.TestConnection(listener)) << testing::PrintToString(listener.events);
  CString answer;
  controller.ExecuteQuery(base, question, none, 1, 2, answer, listener);
  EXPECT_EQ(Text(answer).rfind("HITS=4\nPOSITION=1\nRECORDS=2\n", 0), 0u) << Text(answer);
  CString check;
  controller.ParseQuery(base, question, none, check, listener);
  EXPECT_NE(Text(check).find("STATUS=OK"), std::string::npos) << Text(check);
  EXPECT_TRUE(listener.events.empty()) << testing::PrintToString(listener.events);
}

TEST(SessionTransport, WholeSessionOverHttpsWithTheTestAuthority) {
  LoopbackEnvironment environment;
  TestCertificates certificates;
  environment.Environment()
      .Set("SORREL_HTTP_CA_FILE", certificates.AuthorityFile())
      .Set("SORREL_HTTP_IDLE_TIMEOUT", "10");
  ReferenceServer server(
      {"--tls-cert", certificates.ValidFile(), "--tls-key", certificates.KeyFile()});
  ASSERT_EQ(server.Servlet().rfind("https://", 0), 0u) << server.Servlet();
  FixedProxyAuthenticator noProxy("", "");
  CString url = server.ServletAs("demo", "demo").c_str();
  InternetAccessController controller(url, noProxy);
  SessionListener listener;
  RunSearch(controller, listener);
}

TEST(SessionTransport, WholeSessionThroughAProxyThatDemandsCredentials) {
  if (!TinyProxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
  LoopbackEnvironment environment;
  TinyProxy proxy("proxyuser", "proxypass");
  environment.Environment()
      .Set("http_proxy", proxy.Url())
      .Clear("no_proxy")
      .Set("SORREL_HTTP_IDLE_TIMEOUT", "10");
  ReferenceServer server;
  FixedProxyAuthenticator credentials("proxyuser", "proxypass");
  CString url = server.ServletAs("demo", "demo").c_str();
  InternetAccessController controller(url, credentials);
  SessionListener listener;
  // The login request carries no proxy credentials: the listener is asked
  // once for them. The question and the check carry the authenticator's.
  listener.proxyUser = "proxyuser";
  listener.proxyPassword = "proxypass";
  RunSearch(controller, listener);
  EXPECT_EQ(listener.proxyPrompts, 1) << proxy.Log();
}

}  // namespace
