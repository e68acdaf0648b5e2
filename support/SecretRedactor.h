#pragma once

#include <string>
#include <string_view>

#include "platform/Export.h"

// Hides the secrets a log line may carry: the values of form or query
// parameters whose name holds "pwd", "pass" or "secret" (iac_pwd, the
// password digest; proxy passwords), the password of a URL's user info, and
// whatever follows "Authorization:" or "Proxy-Authorization:" on its line.
// Each hidden value reads "***"; every other byte stays. Never throws except
// for lack of memory.
class SORREL_EXPORT SecretRedactor {
 public:
  static std::string Redact(std::string_view text);

 private:
  // The end of the value that starts at `start`.
  static size_t ValueEnd(std::string_view text, size_t start);
  // Whether the parameter name ending just before `equals` names a secret.
  static bool NamesSecret(std::string_view text, size_t equals);
};
