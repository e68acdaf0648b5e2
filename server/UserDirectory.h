#pragma once

#include <map>
#include <string>

// The users a server knows, read from a profile file with one section per
// user:
//   [demo]
//   Password=demo
//   State=active
// State is one of "active" (the default), "disabled", "customer-disabled",
// "subscription-expired", "password-expired", "validation-required".
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

  // Reads `file`; false with `error` set when it holds no user or a state
  // that is not one of the names above.
  bool Load(const std::string& file, std::string& error);
  // True when `user` exists and `passwordDigest` is the lower-case hex MD5 of
  // its password; `state` then holds the account's state.
  bool Check(const std::string& user, const std::string& passwordDigest, State& state) const;
  size_t Size() const { return users_.size(); }

  static bool ParseState(const std::string& name, State& state);

 private:
  struct Account {
    std::string digest;  // MD5 of the password, lower-case hex
    State state;
  };
  std::map<std::string, Account> users_;
};
