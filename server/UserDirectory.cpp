#include "server/UserDirectory.h"

#include "platform/CStringArray.h"
#include "support/Crypto.h"
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
    CString section = sections.GetAt(i);
    CString password, stateName;
    profile.mRead(section, CString("Password"), password);
    State state = State::kActive;
    if (profile.mRead(section, CString("State"), stateName) &&
        !ParseState(static_cast<const char*>(stateName), state)) {
      error = file + ": user " + static_cast<const char*>(section) + " has an unknown state \"" +
              static_cast<const char*>(stateName) + "\"";
      return false;
    }
    CString digest;
    if (!Crypto::HashString(password, digest)) {
      error = "cannot compute the MD5 digest of a password";
      return false;
    }
    users_[static_cast<const char*>(section)] = {static_cast<const char*>(digest), state};
  }
  if (users_.empty()) {
    error = file + ": no user";
    return false;
  }
  return true;
}

bool UserDirectory::Check(const std::string& user, const std::string& passwordDigest,
                          State& state) const {
  auto found = users_.find(user);
  if (found == users_.end() || found->second.digest != passwordDigest) return false;
  state = found->second.state;
  return true;
}
