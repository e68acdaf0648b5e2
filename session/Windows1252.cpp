#include "session/Windows1252.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/DiagnosticSink.h"

std::string Windows1252ToUtf8(const std::string& text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) return text;
  const iconv_t converter = ::iconv_open("UTF-8", "WINDOWS-1252");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    ReportDiagnostic(
        DiagnosticLevel::kDebug,
        (std::string("(Windows1252) no converter to UTF-8: ") + std::strerror(errno)).c_str());
    return text;
  }
  // A windows-1252 byte is at most three bytes of UTF-8.
  std::string utf8(text.size() * 3, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* out = utf8.data();
  size_t outLeft = utf8.size();
  while (inLeft > 0) {
    if (::iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ) {
      ReportDiagnostic(
          DiagnosticLevel::kDebug,
          (std::string("(Windows1252) conversion stopped: ") + std::strerror(errno)).c_str());
      break;
    }
    // Only the undefined bytes stop it (EILSEQ): each is written as U+0080
    // plus its offset, whose UTF-8 is 0xC2 and the byte itself.
    *out++ = '\xc2';
    *out++ = *in++;
    outLeft -= 2;
    --inLeft;
  }
  ::iconv_close(converter);
  utf8.resize(utf8.size() - outLeft);
  return utf8;
}
