#include "tests/servers/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

constexpr long kDay = 24 * 60 * 60;

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Certificate = std::unique_ptr<X509, CertificateDeleter>;

void Check(bool ok, const char* step) {
  if (!ok) throw std::runtime_error(std::string("test certificates: ") + step + " failed");
}

Key NewKey() {
  Key key(EVP_EC_gen("P-256"));
  Check(key != nullptr, "key generation");
  return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  Check(extension != nullptr, "extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

// A certificate for `key` named `commonName`, valid between the two offsets
// from now (seconds), signed by `issuer` (itself when null).
Certificate Issue(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                  long notBefore, long notAfter, const char* subjectAltName) {
  static long serial = 1;
  Certificate certificate(X509_new());
  Check(certificate != nullptr, "certificate");
  X509* cert = certificate.get();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
  X509_gmtime_adj(X509_getm_notBefore(cert), notBefore);
  X509_gmtime_adj(X509_getm_notAfter(cert), notAfter);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Sorrel tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer ? issuer : cert;
  X509_set_issuer_name(cert, X509_get_subject_name(signer));
  if (subjectAltName) {
    AddExtension(cert, signer, NID_basic_constraints, "CA:FALSE");
    AddExtension(cert, signer, NID_subject_alt_name, subjectAltName);
  } else {
    AddExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  }
  Check(X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signing");
  return certificate;
}

void WriteCertificate(const std::string& path, X509* certificate) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  Check(file != nullptr, "writing a certificate");
  const bool ok = PEM_write_X509(file, certificate) == 1;
  std::fclose(file);
  Check(ok, "writing a certificate");
}

void WriteKey(const std::string& path, EVP_PKEY* key) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  Check(file != nullptr, "writing a key");
  const bool ok = PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  std::fclose(file);
  Check(ok, "writing a key");
}

}  // namespace

TestCertificates::TestCertificates() {
  const Key authorityKey = NewKey();
  const Certificate authority =
      Issue(authorityKey.get(), "Sorrel Test CA", nullptr, nullptr, -kDay, 30 * kDay, nullptr);
  const Key strangerKey = NewKey();
  const Certificate stranger =
      Issue(strangerKey.get(), "Unknown Test CA", nullptr, nullptr, -kDay, 30 * kDay, nullptr);
  const Key serverKey = NewKey();
  const char* loopback = "IP:127.0.0.1,DNS:localhost";
  const char* elsewhere = "DNS:elsewhere.invalid";

  WriteCertificate(AuthorityFile(), authority.get());
  WriteKey(KeyFile(), serverKey.get());
  WriteCertificate(ValidFile(), Issue(serverKey.get(), "127.0.0.1", authority.get(),
                                      authorityKey.get(), -kDay, kDay, loopback)
                                    .get());
  WriteCertificate(ExpiredFile(), Issue(serverKey.get(), "127.0.0.1", authority.get(),
                                        authorityKey.get(), -10 * kDay, -kDay, loopback)
                                      .get());
  WriteCertificate(WrongHostFile(), Issue(serverKey.get(), "elsewhere.invalid", authority.get(),
                                          authorityKey.get(), -kDay, kDay, elsewhere)
                                        .get());
  WriteCertificate(UnknownAuthorityFile(), Issue(serverKey.get(), "127.0.0.1", stranger.get(),
                                                 strangerKey.get(), -kDay, kDay, loopback)
                                               .get());
  WriteCertificate(UnknownAuthorityWrongHostFile(),
                   Issue(serverKey.get(), "elsewhere.invalid", stranger.get(), strangerKey.get(),
                         -kDay, kDay, elsewhere)
                       .get());
}
