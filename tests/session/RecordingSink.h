#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "session/SessionSink.h"

// A front end that keeps everything the session reports, in order.
class RecordingSink : public SessionSink {
 public:
  void Text(const std::string& text) override { texts.push_back(text); }
  void Event(const ServerEvent& event) override { events.push_back(event); }
  void Progress(size_t done, size_t total) override { progress.emplace_back(done, total); }
  void Result(const LineResult& result) override { results.push_back(result); }
  void Summary(const SessionSummary& summary) override { summaries.push_back(summary); }

  // The events of one kind.
  size_t Count(ServerEvent::Kind kind) const {
    size_t count = 0;
    for (const ServerEvent& event : events) count += event.kind == kind ? 1 : 0;
    return count;
  }

  std::vector<std::string> texts;
  std::vector<ServerEvent> events;
  std::vector<std::pair<size_t, size_t>> progress;
  std::vector<LineResult> results;
  std::vector<SessionSummary> summaries;
};
