#pragma once

#include <map>
#include <string>

#include "server/StoredPassword.h"

class clAccessConfigFile;

// The users a server knows, read from a profile file with one section per
// user:
//   [demo]
//   PasswordHash=pbkdf2-sha256:100000:SALT:KEY   (sorrel-server --hash-password)
//   State=active
// State is one of "active" (the default), "disabled", "customer-disabled",
// "subscription-expired", "password-expired", "validation-required". No
// other key is taken, and a clear "Password" line is refused.
class UserDirectory {
 public:
  enum class State {
    kActive,
    kDisabled,
    kCustomerDisabled,
    kSubscriptionExpired,
    kPasswordExpired,
    kValidationRequired
  };

  // Reads `file`; false with `error` set when it holds no user, a user
  // without a valid PasswordHash, a clear Password, an unknown key, or a
  // state that is not one of the names above.
  bool Load(const std::string& file, std::string& error);
  // True when `user` exists and `passwordDigest` is the hex MD5 of its
  // password (checked against the stored form in constant time); `state`
  // then holds the account's state. An unknown user costs the same time.
  bool Check(const std::string& user, const std::string& passwordDigest, State& state) const;
  size_t Size() const { return users_.size(); }

  static bool ParseState(const std::string& name, State& state);

 private:
  struct Account {
    StoredPassword password;
    State state;
  };
  // The section's keys checked and read into `account`; false with `error`.
  static bool ReadAccount(clAccessConfigFile& profile, const std::string& section, Account& account,
                          std::string& error);

  std::map<std::string, Account> users_;
};
