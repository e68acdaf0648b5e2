#pragma once

#include <cstddef>
#include <string>

#include "session/LineResult.h"
#include "session/ServerEvent.h"
#include "session/SessionSummary.h"

// Where a SearchSession reports, for a front end to show: a terminal (text
// or JSON lines), later a page in a browser. The calls come on the thread
// that runs the session, in order: for each line its text lines and the
// server's events as they happen, progress while documents are fetched,
// then the line's result; the summary once at the end. The session keeps a
// reference; the sink must outlive it. The values are valid during the call.
// Their text is UTF-8: the server's windows-1252 converted as it arrives,
// the line read converted from the user's encoding (under the C locale the
// bytes read pass as they are).
class SessionSink {
 public:
  virtual ~SessionSink() = default;

  // One line of readable output of the line being run.
  virtual void Text(const std::string& text) = 0;
  // An event of the server's session (or the engine's "logged in").
  virtual void Event(const ServerEvent& event) = 0;
  // `done` of `total` documents fetched, for a long PRINT or KEEP.
  virtual void Progress(size_t done, size_t total) = 0;
  // The line's result, after its text lines.
  virtual void Result(const LineResult& result) = 0;
  // The session's summary, from SearchSession::Finish.
  virtual void Summary(const SessionSummary& summary) = 0;
};
