#include "server/StoredPassword.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/md5.h>
#include <openssl/rand.h>

#include <cctype>
#include <cstdlib>

namespace {

constexpr const char* kScheme = "pbkdf2-sha256";
constexpr size_t kKeyBytes = 32;
constexpr size_t kSaltBytes = 16;

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) out += {kDigits[c >> 4], kDigits[c & 15]};
  return out;
}

bool Unhex(const std::string& text, std::string& bytes) {
  if (text.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
        !std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
      return false;
    }
    bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
  }
  return true;
}

}  // namespace

bool StoredPassword::Parse(const std::string& text) {
  size_t first = text.find(':');
  size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  size_t third = second == std::string::npos ? second : text.find(':', second + 1);
  if (third == std::string::npos || text.substr(0, first) != kScheme) return false;
  std::string count = text.substr(first + 1, second - first - 1);
  char* end = nullptr;
  long iterations = std::strtol(count.c_str(), &end, 10);
  std::string salt, key;
  if (count.empty() || *end != '\0' || iterations < 1000 || iterations > 10000000 ||
      !Unhex(text.substr(second + 1, third - second - 1), salt) || salt.size() < 8 ||
      !Unhex(text.substr(third + 1), key) || key.size() != kKeyBytes) {
    return false;
  }
  iterations_ = static_cast<int>(iterations);
  salt_ = salt;
  key_ = key;
  return true;
}

bool StoredPassword::Make(const std::string& password, std::string& stored, std::string& error,
                          int iterations) {
  unsigned char md5[MD5_DIGEST_LENGTH];
  std::string digest;
  if (EVP_Digest(password.data(), password.size(), md5, nullptr, EVP_md5(), nullptr) != 1) {
    error = "cannot compute the MD5 digest of the password";
    return false;
  }
  digest = Hex(std::string(reinterpret_cast<const char*>(md5), sizeof md5));
  std::string salt(kSaltBytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) !=
      1) {
    error = "no random bytes for a salt";
    return false;
  }
  std::string key;
  if (!Derive(digest, salt, iterations, key)) {
    error = "cannot derive the stored form";
    return false;
  }
  stored =
      std::string(kScheme) + ":" + std::to_string(iterations) + ":" + Hex(salt) + ":" + Hex(key);
  return true;
}

bool StoredPassword::Matches(const std::string& digest) const {
  std::string lower = digest;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string key;
  if (!Derive(lower, salt_, iterations_, key) || key_.size() != key.size()) return false;
  return CRYPTO_memcmp(key.data(), key_.data(), key.size()) == 0;
}

bool StoredPassword::Derive(const std::string& digest, const std::string& salt, int iterations,
                            std::string& key) {
  key.assign(kKeyBytes, '\0');
  return PKCS5_PBKDF2_HMAC(digest.data(), static_cast<int>(digest.size()),
                           reinterpret_cast<const unsigned char*>(salt.data()),
                           static_cast<int>(salt.size()), iterations, EVP_sha256(),
                           static_cast<int>(key.size()),
                           reinterpret_cast<unsigned char*>(key.data())) == 1;
}
