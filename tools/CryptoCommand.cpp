#include <cstdio>
#include <memory>
#include <string>

#include "support/Crypto.h"
#include "tools/CommandRegistry.h"

namespace {

void Print(const CString& text) {
  std::fwrite(text.c_str(), 1, static_cast<size_t>(text.GetLength()), stdout);
  std::fputc('\n', stdout);
}

// sorrel md5 TEXT, sorrel encode TEXT, sorrel decode TEXT: the digest and the
// query-string encodings that the library uses on the wire.
const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  auto text = std::make_shared<std::string>();

  CLI::App* md5 = app.add_subcommand("md5", "Print the MD5 digest of TEXT in hexadecimal");
  md5->add_option("TEXT", *text, "Text to digest")->required();
  md5->callback([text, &exitCode] {
    CString input(*text);
    CString digest;
    if (!Crypto::HashString(input, digest)) {
      std::fprintf(stderr, "sorrel: the digest failed\n");
      exitCode = 1;
      return;
    }
    Print(digest);
    exitCode = 0;
  });

  CLI::App* encode = app.add_subcommand("encode", "Percent-encode TEXT for a query string");
  encode->add_option("TEXT", *text, "Text to encode")->required();
  encode->callback([text, &exitCode] {
    Print(Crypto::encode(CString(*text)));
    exitCode = 0;
  });

  CLI::App* decode = app.add_subcommand("decode", "Decode percent-encoded TEXT");
  decode->add_option("TEXT", *text, "Text to decode")->required();
  decode->callback([text, &exitCode] {
    Print(Crypto::decode(CString(*text)));
    exitCode = 0;
  });
});

}  // namespace
