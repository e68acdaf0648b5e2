#include "session/TransportFailure.h"

#include <cstdlib>

namespace {

// The transport's failure numbers (the WinINet numbering it reports) and
// their words.
struct Known {
  unsigned long code;
  const char* words;
};

constexpr Known kKnown[] = {
    {12029, "connection refused"},
    {12007, "no such host"},
    {12002, "timed out"},
    {12030, "connection closed by the server"},
    {12031, "connection reset by the server"},
    {12037, "TLS handshake failed: the server's certificate has expired or is not yet valid"},
    {12038, "TLS handshake failed: the server's certificate is for another host name"},
    {12045, "TLS handshake failed: the server's certificate comes from an unknown authority"},
    {12152, "the answer is not HTTP"},
    {12005, "invalid URL"},
    {12006, "unsupported URL scheme"},
    {8, "out of memory (or an answer too large)"},
};

const char* Words(unsigned long code) {
  for (const Known& known : kKnown) {
    if (known.code == code) return known.words;
  }
  return nullptr;
}

}  // namespace

TransportFailure TransportFailure::From(const std::string& text) {
  TransportFailure failure;
  failure.text = text;
  failure.words = text;
  char* end = nullptr;
  const unsigned long code = std::strtoul(text.c_str(), &end, 10);
  if (end != text.c_str() && *end == ':') {
    failure.code = code;
    if (const char* words = Words(code)) failure.words = words;
  } else if (text == "Invalid URL.") {
    failure.words = "invalid URL";
  } else if (text == "Unsupported protocol.") {
    failure.words = "unsupported URL scheme";
  }
  return failure;
}
