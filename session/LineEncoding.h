#pragma once

#include <memory>
#include <optional>
#include <string>

#include "session/CodePageConverter.h"

// The session's text between its three encodings: the user's (the locale's
// codeset: lines typed or read from a script, and what is shown), code page
// 850 (the translator's: its accented word letters are bytes of that code
// page) and windows-1252 (the server's, as its answers declare). Inside the
// engine text is UTF-8. The C locale (an ASCII codeset) says nothing of
// bytes above 127: a line of well-formed UTF-8 is taken as UTF-8 (as a
// script written on any current system is), any other reaches the
// translator and the server as the bytes read; text reaches the user as the
// engine has it.
class LineEncoding {
 public:
  // A line made ready for the translator.
  struct Line {
    std::string translator;  // code page 850, one byte per character of the line
    std::string utf8;        // the line as UTF-8 (the bytes read, under the C locale)
    std::string folded;      // when letters were changed for the translator: which, and to what
    std::optional<std::string> refusal;  // the character no conversion can carry, named
    bool passed = false;  // the bytes read went as they are (C locale, no UTF-8): so does
                          // what the translator makes of them
  };

  // `codeset` as nl_langinfo(CODESET) names it; empty: the environment's
  // locale (LC_ALL, LC_CTYPE, LANG), read without changing the process's.
  explicit LineEncoding(const std::string& codeset = "");
  ~LineEncoding();
  LineEncoding(const LineEncoding&) = delete;
  LineEncoding& operator=(const LineEncoding&) = delete;

  const std::string& codeset() const { return codeset_; }
  bool passesBytes() const { return passesBytes_; }

  // A line in the user's encoding for the translator. Letters that code page
  // 850 holds but the translator does not take are folded: to the letter it
  // takes of another case, to the base letter when the server ignores the
  // accent (å: a), to "?" (any one letter) when the server matches the
  // letter only as itself (ø, æ, ß, ð, þ). A character code page 850 lacks
  // (ł, €), or bytes that are no text of the codeset, refuse the line.
  Line ForTranslator(const std::string& typed) const;
  // Text in the user's encoding (a command-line argument) as UTF-8; nullopt,
  // with the place named in `refusal`, for bytes that are no text of the
  // codeset. Under the C locale text that is no UTF-8 passes as it is.
  std::optional<std::string> FromUser(const std::string& typed, std::string& refusal) const;
  // The translator's code page 850 text as UTF-8 (not for a line `passed`).
  std::string FromTranslator(const std::string& text) const;
  // A UTF-8 question in the server's windows-1252; nullopt, with the
  // character named in `refusal`, when that code page lacks one. Under the C
  // locale a question that is no UTF-8 goes as it is.
  std::optional<std::string> ForServer(const std::string& utf8, std::string& refusal) const;
  // UTF-8 text in the user's encoding; a character it lacks becomes "?".
  std::string ForUser(const std::string& utf8) const;

  // The codeset of the environment's locale ("ANSI_X3.4-1968" when it names none).
  static std::string EnvironmentCodeset();

 private:
  std::string codeset_;
  bool passesBytes_;
  std::unique_ptr<CodePageConverter> fromUser_;  // null when the user's codeset is UTF-8
  std::unique_ptr<CodePageConverter> toUser_;
  CodePageConverter toTranslator_;
  CodePageConverter fromTranslator_;
  CodePageConverter toServer_;
};
