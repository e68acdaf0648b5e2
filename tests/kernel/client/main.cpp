// A client of the installed library: digest, encode, iterate a map and find
// a server's root URL.
#include <cstdio>

#include "iac/InternetAccessController.h"
#include "platform/CMapStringToString.h"
#include "platform/CString.h"
#include "support/Crypto.h"

int main() {
  CString text = "abc";
  CString digest;
  if (!Crypto::HashString(text, digest)) return 1;

  CMapStringToString form;
  for (const char* key : {"iac_op", "iac_base", "action", "version"}) form.SetAt(key, "x");
  CString keys;
  CString key;
  CString value;
  for (POSITION pos = form.GetStartPosition(); pos;) {
    form.GetNextAssoc(pos, key, value);
    keys += keys.IsEmpty() ? key : "," + key;
  }
  const CString root = InternetAccessController::GetRootUrl("http://host/app/servlet");
  std::printf("%s %s %s %s\n", digest.c_str(), Crypto::encode("a b&c").c_str(), keys.c_str(),
              root.c_str());
  return 0;
}
