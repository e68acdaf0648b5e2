#include "server/UserDirectory.h"

#include "platform/CStringArray.h"
#include "support/clAccessConfigFile.h"

namespace {

const std::pair<const char*, UserDirectory::State> kStates[] = {
    {"active", UserDirectory::State::kActive},
    {"disabled", UserDirectory::State::kDisabled},
    {"customer-disabled", UserDirectory::State::kCustomerDisabled},
    {"subscription-expired", UserDirectory::State::kSubscriptionExpired},
    {"password-expired", UserDirectory::State::kPasswordExpired},
    {"validation-required", UserDirectory::State::kValidationRequired},
};

}  // namespace

bool UserDirectory::ParseState(const std::string& name, State& state) {
  for (const auto& [text, value] : kStates) {
    if (name == text) {
      state = value;
      return true;
    }
  }
  return false;
}

bool UserDirectory::Load(const std::string& file, std::string& error) {
  clAccessConfigFile profile{CString(file.c_str())};
  CStringArray sections;
  profile.mReadSectionNames(sections);
  users_.clear();
  for (int i = 0; i < sections.GetSize(); ++i) {
    std::string section = static_cast<const char*>(sections.GetAt(i));
    Account account;
    if (!ReadAccount(profile, section, account, error)) {
      error = file + ": user " + section + ": " + error;
      return false;
    }
    users_[section] = account;
  }
  if (users_.empty()) {
    error = file + ": no user";
    return false;
  }
  return true;
}

bool UserDirectory::ReadAccount(clAccessConfigFile& profile, const std::string& section,
                                Account& account, std::string& error) {
  CStringArray keys;
  profile.mReadKeyNames(CString(section.c_str()), keys);
  for (int i = 0; i < keys.GetSize(); ++i) {
    std::string key = static_cast<const char*>(keys.GetAt(i));
    if (key == "Password") {
      error =
          "holds a clear Password; store the output of sorrel-server --hash-password as "
          "PasswordHash instead";
      return false;
    }
    if (key != "PasswordHash" && key != "State") {
      error = "unknown key \"" + key + "\" (PasswordHash and State are known)";
      return false;
    }
  }
  CString stored, stateName;
  profile.mRead(CString(section.c_str()), CString("PasswordHash"), stored);
  if (!account.password.Parse(static_cast<const char*>(stored))) {
    error =
        stored.IsEmpty() ? "has no PasswordHash" : "has a PasswordHash that is not a stored form";
    return false;
  }
  account.state = State::kActive;
  if (profile.mRead(CString(section.c_str()), CString("State"), stateName) &&
      !ParseState(static_cast<const char*>(stateName), account.state)) {
    error = "unknown state \"" + std::string(static_cast<const char*>(stateName)) + "\"";
    return false;
  }
  return true;
}

bool UserDirectory::Check(const std::string& user, const std::string& passwordDigest,
                          State& state) const {
  static const StoredPassword kNobody;
  auto found = users_.find(user);
  const StoredPassword& stored = found == users_.end() ? kNobody : found->second.password;
  if (!stored.Matches(passwordDigest) || found == users_.end()) return false;
  state = found->second.state;
  return true;
}
