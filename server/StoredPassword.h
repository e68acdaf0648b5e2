#pragma once

#include <string>

// The stored form of a user's password: a salted PBKDF2-HMAC-SHA256
// derivation of the password's lower-case hex MD5 digest (the value that a
// login sends), written as "pbkdf2-sha256:ITERATIONS:SALT:DERIVED" with the
// salt and the derived key in lower-case hex. The clear password and its
// digest are never kept.
class StoredPassword {
 public:
  // Iterations of a newly made stored form.
  static constexpr int kIterations = 100000;

  // Reads a stored form; false (and the object unchanged) for text that is
  // not one: wrong scheme, iterations outside 1,000..10,000,000, a salt
  // under 8 bytes or a key that is not 32 bytes.
  bool Parse(const std::string& text);
  // The stored form of `password` with a fresh random salt; false with
  // `error` set when OpenSSL has no randomness or cannot derive.
  static bool Make(const std::string& password, std::string& stored, std::string& error,
                   int iterations = kIterations);
  // True when `digest` (hex MD5 of a password, any case) derives to the
  // stored key; compared in constant time. An unparsed object matches
  // nothing but still spends the derivation, so that an unknown user costs
  // as long as a known one.
  bool Matches(const std::string& digest) const;

 private:
  static bool Derive(const std::string& digest, const std::string& salt, int iterations,
                     std::string& key);

  int iterations_ = kIterations;
  std::string salt_ = std::string(16, '\0');  // raw bytes
  std::string key_;                           // raw bytes; empty: matches nothing
};
