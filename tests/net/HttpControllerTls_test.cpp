// HTTPS against a test certificate authority made for the run: an unknown
// authority is accepted after one refused send; an expired certificate and
// a host-name mismatch fail with their own numbers and are never retried.
#include <gtest/gtest.h>

#include <string>

#include "net/HttpController.h"
#include "tests/net/NetTestSupport.h"
#include "tests/servers/ScriptedHttpServer.h"
#include "tests/servers/TestCertificates.h"

namespace {

class HttpControllerTls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { certificates = new TestCertificates(); }
  static void TearDownTestSuite() {
    delete certificates;
    certificates = nullptr;
  }
  void SetUp() override {
    environment.Environment().Set("SORREL_HTTP_CA_FILE", certificates->AuthorityFile());
  }

  static TestCertificates* certificates;
  LoopbackEnvironment environment;
};

TestCertificates* HttpControllerTls::certificates = nullptr;

TEST_F(HttpControllerTls, CertificateOfATrustedAuthorityIsAcceptedAtOnce) {
  ScriptedHttpServer server(certificates->ValidFile(), certificates->KeyFile());
  const Outcome outcome = Post(server.Url("/secure"), {{"x", "1"}});
  EXPECT_EQ(outcome.status, 200u) << outcome.error;
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].body, "x=1");
}

TEST_F(HttpControllerTls, UnknownAuthorityIsAcceptedAfterOneRefusedSend) {
  ScriptedHttpServer server(certificates->UnknownAuthorityFile(), certificates->KeyFile());
  const Outcome outcome = Post(server.Url("/secure"));
  EXPECT_TRUE(outcome.successful) << outcome.error;
  EXPECT_EQ(outcome.status, 200u);
  EXPECT_EQ(outcome.error, "Unknown error.");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpControllerTls, CertificateFailuresOtherThanTheAuthorityAreFinal) {
  struct Case {
    std::string certificate;
    const char* expected;
  } cases[] = {
      {certificates->ExpiredFile(),
       "12037: SSL certificate date that was received from the server is bad. The certificate "
       "is expired."},
      {certificates->WrongHostFile(),
       "12038: SSL certificate common name (host name field) is incorrect."},
      // The unknown authority is let through, the host name still is not.
      {certificates->UnknownAuthorityWrongHostFile(),
       "12038: SSL certificate common name (host name field) is incorrect."},
  };
  for (const Case& c : cases) {
    ScriptedHttpServer server(c.certificate, certificates->KeyFile());
    const Outcome outcome = Post(server.Url("/secure"));
    EXPECT_FALSE(outcome.successful) << c.certificate;
    EXPECT_EQ(outcome.error, c.expected);
    EXPECT_TRUE(server.Requests().empty()) << c.certificate;
  }
}

TEST_F(HttpControllerTls, WithoutTheTestAuthorityItsCertificatesAreUnknown) {
  environment.Environment().Clear("SORREL_HTTP_CA_FILE");
  ScriptedHttpServer server(certificates->ExpiredFile(), certificates->KeyFile());
  // The chain cannot be built, so the authority is what fails first; with
  // chain checks off the expired date is no longer examined.
  const Outcome outcome = Post(server.Url("/secure"));
  EXPECT_EQ(outcome.status, 200u) << outcome.error;
}

TEST_F(HttpControllerTls, PlainHttpServerBehindAnHttpsUrlFailsCleanly) {
  ScriptedHttpServer server;
  const Outcome outcome = Post("https://127.0.0.1:" + std::to_string(server.Port()) + "/");
  EXPECT_FALSE(outcome.successful);
  EXPECT_EQ(outcome.error, "12030: The connection with the server has been terminated.");
}

}  // namespace
