#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "session/LineEncoding.h"
#include "session/SessionSink.h"

// A session on the terminal as text: each line echoed ("sorrel> ...", when
// not typed), then its text lines and the server's events ("[server] ...")
// indented, in the order they came; a progress bar on standard error for
// long fetches; the files made and a summary at the end. Every text that may
// come from the server goes through TerminalText on its way out, then from
// the engine's UTF-8 into the locale's encoding when that is not UTF-8
// (under the C locale the bytes pass as they are).
class TextSessionSink : public SessionSink {
 public:
  // `echo`: show each line before its result; `progress`: draw the bar.
  TextSessionSink(bool echo, bool progress);

  void Text(const std::string& text) override;
  void Event(const ServerEvent& event) override;
  void Progress(size_t done, size_t total) override;
  void Result(const LineResult& result) override;
  void Summary(const SessionSummary& summary) override;

 private:
  // Engine text as the terminal shows it: controls made visible, in the
  // locale's encoding; `line`: a newline is made visible too.
  std::string Shown(const std::string& text, bool line) const;

  LineEncoding encoding_;
  bool echo_;
  bool progress_;
  std::vector<std::string> lines_;  // of the line being run, shown with its result
};
