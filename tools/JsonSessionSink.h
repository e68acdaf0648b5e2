#pragma once

#include <cstddef>
#include <string>

#include "session/SessionSink.h"

// A session on standard output as JSON lines: {"event", "text"} for each
// server event as it comes, {"line", "kind", ...} for each line's result
// (flushed), {"summary": {...}} at the end. Text lines and progress are not
// shown. Text that is not UTF-8 is carried with U+FFFD in its place.
class JsonSessionSink : public SessionSink {
 public:
  void Text(const std::string& text) override;
  void Event(const ServerEvent& event) override;
  void Progress(size_t done, size_t total) override;
  void Result(const LineResult& result) override;
  void Summary(const SessionSummary& summary) override;
};
