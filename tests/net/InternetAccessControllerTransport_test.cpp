// A whole session with the reference server over HTTPS with a certificate of
// the test authority, and through a real proxy that demands credentials.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/InternetAccessController.h"
#include "tests/common/ReferenceServer.h"
#include "tests/net/NetTestSupport.h"
#include "tests/net/RecordingIacListener.h"
#include "tests/servers/TestCertificates.h"
#include "tests/servers/TinyProxy.h"

namespace {

std::string Text(const CString& text) { return std::string(text.c_str(), text.GetLength()); }

// Logs in, runs a question and checks it, as a client's search does.
void RunSearch(InternetAccessController& controller, RecordingListener& listener) {
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
  RecordingListener listener;
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
  RecordingListener listener;
  // The login request carries no proxy credentials: the listener is asked
  // once for them. The question and the check carry the authenticator's.
  listener.proxyUser = "proxyuser";
  listener.proxyPassword = "proxypass";
  RunSearch(controller, listener);
  EXPECT_EQ(listener.proxyPrompts, 1) << proxy.Log();
}

}  // namespace
