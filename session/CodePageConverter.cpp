#include "session/CodePageConverter.h"

#include <cerrno>
#include <cstring>

#include "platform/DiagnosticSink.h"

namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

}  // namespace

CodePageConverter::CodePageConverter(const std::string& from, const std::string& to)
    : descriptor_(::iconv_open(to.c_str(), from.c_str())) {
  if (descriptor_ == kNoDescriptor) {
    ReportDiagnostic(DiagnosticLevel::kDebug, ("(CodePageConverter) no conversion from " + from +
                                               " to " + to + ": " + std::strerror(errno))
                                                  .c_str());
  }
}

CodePageConverter::~CodePageConverter() {
  if (ready()) ::iconv_close(descriptor_);
}

bool CodePageConverter::ready() const { return descriptor_ != kNoDescriptor; }

CodePageConverter::Result CodePageConverter::Convert(std::string_view text) const {
  Result result;
  if (!ready()) {
    result.stopped = 0;
    return result;
  }
  // Back to the initial shift state: an earlier conversion that stopped
  // half-way leaves none behind.
  ::iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (true) {
    char buffer[256];
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = ::iconv(descriptor_, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    result.text.append(buffer, sizeof buffer - outLeft);
    if (done != static_cast<size_t>(-1)) break;
    if (error == E2BIG) continue;
    // EILSEQ: a character the target lacks or bytes that are no text of the
    // source; EINVAL: the text ends inside a character.
    result.stopped = text.size() - inLeft;
    return result;
  }
  // Flush whatever a stateful target still holds.
  char buffer[32];
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  if (::iconv(descriptor_, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1)) {
    result.text.append(buffer, sizeof buffer - outLeft);
  }
  return result;
}
