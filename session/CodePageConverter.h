#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

// One conversion between two encodings named as iconv names them
// ("UTF-8", "CP850", "WINDOWS-1252", a locale's codeset), strict: it stops
// at the first character the target has no place for, or the first bytes
// that are not text of the source, and says where. Not for two threads at
// once; the iconv descriptor is the object's own.
class CodePageConverter {
 public:
  struct Result {
    std::string text;                    // what was converted, up to `stopped`
    size_t stopped = std::string::npos;  // offset in the input where it stopped; npos: whole
    bool whole() const { return stopped == std::string::npos; }
  };

  // Opens the conversion; when iconv knows either name not, `ready()` is
  // false (reported at debug level) and every conversion stops at 0.
  CodePageConverter(const std::string& from, const std::string& to);
  ~CodePageConverter();
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;

  bool ready() const;
  // `text` in the target encoding, or the part before the character that
  // could not be converted. Never throws.
  Result Convert(std::string_view text) const;

 private:
  iconv_t descriptor_;
};
