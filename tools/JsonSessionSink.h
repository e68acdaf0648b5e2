#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "session/SessionSink.h"

// A session on standard output as JSON lines: {"event", "text"} for each
// server event as it comes, {"line", "kind", ..., "time", "output"} for each
// line's result (flushed), with the time (UTC) and the text lines the session
// said for it, as the transcript has them, {"summary": {...}} at the end.
// Progress is not shown. What the server sent (documents, its files and fields, its
// reasons) is windows-1252 and becomes UTF-8 with nothing lost; the lines
// and questions the user typed are carried as typed, U+FFFD in place of
// bytes that are not UTF-8.
class JsonSessionSink : public SessionSink {
 public:
  void Text(const std::string& text) override;
  void Event(const ServerEvent& event) override;
  void Progress(size_t done, size_t total) override;
  void Result(const LineResult& result) override;
  void Summary(const SessionSummary& summary) override;

 private:
  std::vector<std::string> output_;  // the text lines of the line being run
};
