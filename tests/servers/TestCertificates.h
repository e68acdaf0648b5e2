#pragma once

#include <string>

#include "tests/common/TempDir.h"

// A certificate authority made at test time with OpenSSL, and server
// certificates for 127.0.0.1 in PEM files in a temporary folder that goes
// away with the object. All server certificates share one key (KeyFile()).
class TestCertificates {
 public:
  TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;

  // The test authority's certificate: trust it to make the others verify.
  std::string AuthorityFile() const { return folder_.File("authority.pem"); }
  std::string KeyFile() const { return folder_.File("server-key.pem"); }
  // Issued by the test authority for 127.0.0.1 and localhost, valid now.
  std::string ValidFile() const { return folder_.File("valid.pem"); }
  // Issued by the test authority for 127.0.0.1, expired yesterday.
  std::string ExpiredFile() const { return folder_.File("expired.pem"); }
  // Issued by the test authority for another host name only.
  std::string WrongHostFile() const { return folder_.File("wrong-host.pem"); }
  // Issued for 127.0.0.1 by an authority that nobody trusts.
  std::string UnknownAuthorityFile() const { return folder_.File("unknown-authority.pem"); }
  // Issued by the unknown authority for another host name only.
  std::string UnknownAuthorityWrongHostFile() const {
    return folder_.File("unknown-authority-wrong-host.pem");
  }

 private:
  TempDir folder_;
};
