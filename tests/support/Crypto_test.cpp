#include "support/Crypto.h"

#include <gtest/gtest.h>
#include <openssl/err.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"
#include "tests/common/ScopedHandler.h"

namespace {

// Records every message box shown while it lives.
struct MessageRecorder {
  std::vector<std::string> texts;
  std::vector<unsigned> types;
  ScopedHandler<MessageBoxHandler> recorder{SetMessageBoxHandler,
                                            [this](const char* text, unsigned type) {
                                              texts.emplace_back(text);
                                              types.push_back(type);
                                              return IDOK;
                                            }};
};

char kPassword[] = "Sorrel secret";
const std::string kPlaintext = "Attack at dawn: EP 1234567 B1";

// The digest itself comes from OpenSSL; these catch the wrapper's faults: a
// length taken at the first NUL, a digest not replaced, bytes below 0x10
// written without their leading zero, upper-case hex.
TEST(CryptoHash, DigestsEveryByteInLowerCaseHex) {
  const std::pair<CString, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {CString("a\0b", 3), "70350f6027bce3713f6b76473084309b"},  // printf 'a\0b' | openssl md5
  };
  for (auto [text, expected] : cases) {
    CString digest = "previous";
    ASSERT_EQ(Crypto::HashString(text, digest), 1) << expected;
    EXPECT_EQ(digest, expected);
  }
}

TEST(CryptoCipher, EncryptsWithRc4KeyedWithMd5OfPasswordAndDecryptsAcrossNulBytes) {
  // Expected bytes from:
  //   printf '%s' 'Attack at dawn: EP 1234567 B1' | openssl enc -rc4 -nosalt
  //     -K a49e66c6a6615c0c666ad40bf3e44df5 -provider legacy -provider default
  // (one command line) where the key is the MD5 digest of "Sorrel secret".
  MessageRecorder messages;
  std::string data = kPlaintext, hex;
  EXPECT_EQ(Crypto::EncryptString(data.data(), data.size(), kPassword), data.size());
  for (unsigned char byte : data)
    hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  EXPECT_EQ(hex, "4c0d82bc107bf196d21e8d3c7b346dde8f6d000d9b047eb61baf9c8f08");
  // The cipher text of kPlaintext holds a NUL byte; the length, not the
  // terminator, must bound the work.
  for (const std::string& original : {kPlaintext, std::string("\0x\0", 3), std::string()}) {
    std::string text = original;
    Crypto::EncryptString(text.data(), text.size(), kPassword);
    EXPECT_EQ(Crypto::DecryptString(text.data(), text.size(), kPassword), original.size());
    EXPECT_EQ(text, original);
  }
  EXPECT_TRUE(messages.texts.empty());
}

TEST(CryptoCipher, MissingLegacyProviderReportsEachFailingStepAndKeepsData) {
  // Without RC4 the context is incomplete, no key can be made and the
  // cipher call then fails too: three messages, in step order.
  MessageRecorder messages;
  // OpenSSL looks for its provider modules here: the legacy one is not there.
  setenv("OPENSSL_MODULES", "/nonexistent-openssl-modules", 1);
  std::string data = kPlaintext;
  EXPECT_EQ(Crypto::EncryptString(data.data(), data.size(), kPassword), data.size());
  EXPECT_EQ(data, kPlaintext);
  Crypto::DecryptString(data.data(), data.size(), kPassword);
  unsetenv("OPENSSL_MODULES");
  EXPECT_EQ(ERR_peek_error(), 0u);  // no stale errors left for other OpenSSL users
  const std::vector<std::string> expected = {
      "Error during CryptAcquireContext!", "Error during CryptDeriveKey!\n",
      "Error during CryptEncrypt. \n",     "Error during CryptAcquireContext!",
      "Error during CryptDeriveKey!\n",    "Error during CryptDecrypt. \n"};
  EXPECT_EQ(messages.texts, expected);
  EXPECT_EQ(messages.types, std::vector<unsigned>(expected.size(), MB_ICONERROR));
  EXPECT_EQ(data, kPlaintext);
}

TEST(CryptoEncode, KeepsLettersAndDigitsOnlyAndDecodesBack) {
  const struct {
    CString text;
    const char* encoded;
  } cases[] = {
      {"a b&c", "a+b%26c"},
      {"\n", "%0A"},
      {"\xE9", "%E9"},  // high bytes are not negative numbers
      {"AZaz09", "AZaz09"},
      {"-_.~*", "%2D%5F%2E%7E%2A"},   // no other byte is left alone
      {CString("a\0b", 3), "a%00b"},  // embedded NUL is encoded, not an end
  };
  for (const auto& c : cases) EXPECT_EQ(Crypto::encode(c.text), c.encoded) << c.encoded;
  CString all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(Crypto::decode(Crypto::encode(all)), all);
}

TEST(CryptoDecode, ReadsPercentEscapesDigitByDigitThroughGetAsDec) {
  // Plus signs and upper-case escapes are covered by the round trip above.
  const struct {
    const char* text;
    CString decoded;
  } cases[] = {
      {"%4a", "J"},    // lower-case digits too
      {"%00x", "x"},   // a code of 0 appends nothing
      {"%zz!", "!"},   // non-digits count 0
      {"%1G", " "},    // "G" counts 16: 1 * 16 + 16 = 32
      {"%g0", ""},     // 256 has low byte 0
      {"ab%", "ab"},   // "%" at the very end: nothing follows
      {"%4", "\x04"},  // one digit left: read alone
  };
  for (const auto& c : cases) EXPECT_EQ(Crypto::decode(c.text), c.decoded) << c.text;
  const std::pair<const char*, int> values[] = {{"aA", 170},  {"Gg", 272}, {"9z", 144},
                                                {"100", 256}, {"", 0},     {nullptr, 0}};
  for (const auto& [hex, value] : values) EXPECT_EQ(Crypto::convertToDec(hex), value) << value;
}

}  // namespace
