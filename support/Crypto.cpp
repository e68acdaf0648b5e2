#include "support/Crypto.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/MessageBox.h"

namespace {

constexpr int kMd5Length = 16;

// The step messages; each reports one failing step of the cipher operations.
char kAcquireContextFailed[] = "Error during CryptAcquireContext!";
char kCreateHashFailed[] = "Error during CryptCreateHash!\n";
char kHashDataFailed[] = "Error during CryptHashData. \n";
char kDeriveKeyFailed[] = "Error during CryptDeriveKey!\n";
char kEncryptFailed[] = "Error during CryptEncrypt. \n";
char kDecryptFailed[] = "Error during CryptDecrypt. \n";
char kReleaseContextFailed[] = "Error during CryptReleaseContext";

// A private OpenSSL library context with the default provider (for MD5) and
// the legacy one (for RC4), so that nothing in the process's global OpenSSL
// configuration changes. Loading either provider may fail; the context still
// exists then and later steps fail in their turn.
struct CryptoContext {
  OSSL_LIB_CTX* library = nullptr;    // owned
  OSSL_PROVIDER* defaults = nullptr;  // owned; MD5
  OSSL_PROVIDER* legacy = nullptr;    // owned; RC4
};

bool AcquireContext(CryptoContext& context) {
  context.library = OSSL_LIB_CTX_new();
  if (!context.library) return false;
  context.defaults = OSSL_PROVIDER_load(context.library, "default");
  context.legacy = OSSL_PROVIDER_load(context.library, "legacy");
  return context.defaults && context.legacy;
}

bool ReleaseContext(CryptoContext& context) {
  bool released = true;
  if (context.legacy && OSSL_PROVIDER_unload(context.legacy) != 1) released = false;
  if (context.defaults && OSSL_PROVIDER_unload(context.defaults) != 1) released = false;
  OSSL_LIB_CTX_free(context.library);
  return released;
}

// Runs RC4 over the data in place; `encrypt` only chooses the message, as
// RC4 is its own inverse.
unsigned long RunRc4(char* data, unsigned long length, const char* password, bool encrypt) {
  CryptoContext context;
  if (!AcquireContext(context)) Crypto::MyHandleError(kAcquireContextFailed);

  // The hash: MD5 of the password's bytes.
  EVP_MD* md5 = context.library ? EVP_MD_fetch(context.library, "MD5", nullptr) : nullptr;
  EVP_MD_CTX* hash = EVP_MD_CTX_new();
  const bool hashCreated = md5 && hash && EVP_DigestInit_ex2(hash, md5, nullptr) == 1;
  if (!hashCreated) Crypto::MyHandleError(kCreateHashFailed);

  const char* passwordBytes = password ? password : "";
  if (!hashCreated || EVP_DigestUpdate(hash, passwordBytes, std::strlen(passwordBytes)) != 1) {
    Crypto::MyHandleError(kHashDataFailed);
  }

  // The key: the 16-byte digest, used whole as the RC4 key.
  unsigned char key[EVP_MAX_MD_SIZE];
  unsigned int keyLength = 0;
  EVP_CIPHER* rc4 = context.library ? EVP_CIPHER_fetch(context.library, "RC4", nullptr) : nullptr;
  EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
  const bool keyDerived =
      hashCreated && EVP_DigestFinal_ex(hash, key, &keyLength) == 1 && keyLength == kMd5Length &&
      rc4 && cipher && EVP_CipherInit_ex2(cipher, rc4, key, nullptr, encrypt ? 1 : 0, nullptr) == 1;
  if (!keyDerived) Crypto::MyHandleError(kDeriveKeyFailed);

  // The cipher, in place, in pieces that fit OpenSSL's int lengths. Without
  // a key it fails before touching a byte.
  bool ciphered = keyDerived && (data || length == 0);
  for (unsigned long done = 0; ciphered && done < length;) {
    const int piece = static_cast<int>(length - done < INT_MAX ? length - done : INT_MAX);
    auto* bytes = reinterpret_cast<unsigned char*>(data + done);
    int written = 0;
    ciphered = EVP_CipherUpdate(cipher, bytes, &written, bytes, piece) == 1 && written == piece;
    done += static_cast<unsigned long>(piece);
  }
  unsigned char tail[EVP_MAX_BLOCK_LENGTH];
  int tailLength = 0;
  if (ciphered) ciphered = EVP_CipherFinal_ex(cipher, tail, &tailLength) == 1 && tailLength == 0;
  if (!ciphered) Crypto::MyHandleError(encrypt ? kEncryptFailed : kDecryptFailed);

  // OpenSSL's release functions for keys and hashes cannot fail, so only the
  // context's providers can report a failed release.
  EVP_CIPHER_CTX_free(cipher);
  EVP_CIPHER_free(rc4);
  EVP_MD_CTX_free(hash);
  EVP_MD_free(md5);
  if (!ReleaseContext(context)) Crypto::MyHandleError(kReleaseContextFailed);
  OPENSSL_cleanse(key, sizeof key);
  // Failures were reported above; leave no entries in the thread's OpenSSL
  // error queue for the next OpenSSL user (the HTTP transport) to misread.
  ERR_clear_error();
  return length;
}

}  // namespace

unsigned long Crypto::EncryptString(char* data, unsigned long length, char* password) {
  return RunRc4(data, length, password, true);
}

unsigned long Crypto::DecryptString(char* data, unsigned long length, char* password) {
  return RunRc4(data, length, password, false);
}

int Crypto::HashString(CString& text, CString& digest) {
  EVP_MD_CTX* hash = EVP_MD_CTX_new();
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned int valueLength = 0;
  const bool hashed = hash && EVP_DigestInit_ex2(hash, EVP_md5(), nullptr) == 1 &&
                      EVP_DigestUpdate(hash, text.c_str(), text.GetLength()) == 1 &&
                      EVP_DigestFinal_ex(hash, value, &valueLength) == 1 &&
                      valueLength == kMd5Length;
  EVP_MD_CTX_free(hash);
  if (!hashed) return 0;
  digest.Empty();
  for (unsigned int i = 0; i < valueLength; ++i) digest.AppendFormat("%02x", value[i]);
  return 1;
}

void Crypto::MyHandleError(char* message) { AfxMessageBox(message, MB_ICONERROR, 0); }

CString Crypto::encode(CString text) {
  CString encoded;
  for (int i = 0; i < text.GetLength(); ++i) {
    const char c = text[i];
    if (isOrdinaryChar(c)) {
      encoded += c;
    } else if (c == ' ') {
      encoded += '+';
    } else {
      encoded.AppendFormat("%%%02X", static_cast<unsigned char>(c));
    }
  }
  return encoded;
}

CString Crypto::decode(CString text) {
  CString decoded;
  for (int i = 0; i < text.GetLength(); ++i) {
    const char c = text[i];
    if (c == '+') {
      decoded += ' ';
    } else if (c == '%') {
      // Mid clamps, so a "%" near the end reads only what follows it.
      const CString hex = text.Mid(i + 1, 2);
      const char code = static_cast<char>(convertToDec(hex) & 0xFF);
      if (code != '\0') decoded += code;
      i += hex.GetLength();
    } else {
      decoded += c;
    }
  }
  return decoded;
}

bool Crypto::isOrdinaryChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int Crypto::convertToDec(char const* hex) {
  if (!hex) return 0;
  const size_t length = std::strlen(hex);
  // Each digit weighs 16 to the power of its distance from the right end,
  // which Horner's rule gives; unsigned arithmetic lets a long text wrap
  // instead of overflowing.
  uint32_t value = 0;
  for (size_t i = 0; i < length; ++i) {
    char digit[3] = {hex[i], '\0', '\0'};
    getAsDec(digit);
    uint32_t digitValue = 0;
    for (const char* d = digit; *d >= '0' && *d <= '9'; ++d) {
      digitValue = digitValue * 10 + static_cast<uint32_t>(*d - '0');
    }
    value = value * 16 + digitValue;
  }
  return static_cast<int>(value);
}

void Crypto::getAsDec(char* digit) {
  if (!digit) return;
  static constexpr char kLetters[] = "abcdefg";
  const char lower =
      (digit[0] >= 'A' && digit[0] <= 'Z') ? static_cast<char>(digit[0] - 'A' + 'a') : digit[0];
  const char* letter = lower ? std::strchr(kLetters, lower) : nullptr;
  if (!letter) return;
  const int value = 10 + static_cast<int>(letter - kLetters);
  digit[0] = static_cast<char>('0' + value / 10);
  digit[1] = static_cast<char>('0' + value % 10);
  digit[2] = '\0';
}
