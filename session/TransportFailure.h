#pragma once

#include <string>

// A transport failure text ("12029: The attempt to connect to the server
// failed.", "Invalid URL.") read for a user: its number, and the words a
// user knows ("connection refused", "no such host", "TLS handshake failed:
// ..."). A value; never fails.
struct TransportFailure {
  unsigned long code = 0;  // the failure number; 0 when the text has none
  std::string text;        // the transport's text, as given
  std::string words;       // for a user; the text itself when its number is not known here

  static TransportFailure From(const std::string& text);
};
