#pragma once

#include "platform/Export.h"
#include "platform/CString.h"

// Digests, encryption under a password, and the percent-encoding of query
// strings. All operations are static and keep no state between calls.
class SORREL_EXPORT Crypto {
 public:
  // Encrypts the `length` bytes at `data` in place with RC4 under the MD5
  // digest of `password` (its bytes up to the NUL; null is empty). Every step
  // that fails shows its message through MyHandleError and the next step
  // still runs; when no key can be made `data` is left as it was. Returns the
  // data length.
  static unsigned long EncryptString(char* data, unsigned long length, char* password);
  // The inverse of EncryptString (RC4 is its own inverse), with the same
  // reporting. Returns the data length.
  static unsigned long DecryptString(char* data, unsigned long length, char* password);

  // 1 and the MD5 digest of the bytes of `text` as 32 lower-case hexadecimal
  // digits in `digest`; 0 with `digest` untouched when the digest fails.
  [[nodiscard]] static int HashString(CString& text, CString& digest);

  // Shows `message` in an error message box.
  static void MyHandleError(char* message);

  // Letters and digits are kept, a blank becomes "+", every other byte "%XX"
  // (upper-case hexadecimal).
  static CString encode(CString text);
  // "+" becomes a blank and "%XX" the byte XX (nothing when it is 0); a "%"
  // near the end reads only the characters that are there.
  static CString decode(CString text);
  // True for an ASCII letter or digit.
  static bool isOrdinaryChar(char c);
  // The value of a hexadecimal text, each character read through getAsDec
  // (so "g" counts 16 and any other non-digit 0); null or empty gives 0.
  static int convertToDec(char const* hex);
  // Rewrites a one-character text in place: a letter a to g in either case
  // becomes "10" to "16", anything else stays. `digit` must have room for
  // three bytes; null is ignored.
  static void getAsDec(char* digit);
};
