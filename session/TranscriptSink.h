#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "session/SessionSink.h"

// The session's transcript, OUT/transcript.txt, as a host keeps one: each
// line typed and what the session answered (its text lines and the server's
// events), each with the time (UTC), added at the end of the file (a new
// one is made 0644 less the umask); control characters are written '?'. It stands between the
// session and the front end's sink, which gets every call unchanged, so any front end has a
// transcript. A file that cannot be written is said once as a text line of
// the line at hand and reported at debug level; the session goes on.
class TranscriptSink : public SessionSink {
 public:
  // Writes into `folder`/transcript.txt (nothing until the first line) and
  // passes every call on to `front`, which must outlive it.
  TranscriptSink(const std::string& folder, SessionSink& front);

  const std::string& path() const { return path_; }
  // True once something was written.
  bool written() const { return written_; }

  void Text(const std::string& text) override;
  void Event(const ServerEvent& event) override;
  void Progress(size_t done, size_t total) override;
  void Result(const LineResult& result) override;
  void Summary(const SessionSummary& summary) override;

 private:
  // Adds `lines` to the file, each after the time; false when it fails.
  bool Append(const std::vector<std::string>& lines);

  std::string path_;
  SessionSink& front_;
  std::vector<std::string> pending_;  // the answer of the line being run
  bool started_ = false;              // the session's first line was written
  bool written_ = false;
  bool failed_ = false;  // said already
};
