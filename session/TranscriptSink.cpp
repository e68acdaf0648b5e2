#include "session/TranscriptSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/DiagnosticSink.h"
#include "platform/FileApi.h"
#include "session/SessionText.h"

namespace {

// A line of the file holds no line break of its own, and no control
// character of a server's text reaches a terminal that shows the file.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') {
      c = ' ';
    } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
      c = '?';
    }
  }
  return text;
}

}  // namespace

TranscriptSink::TranscriptSink(const std::string& folder, SessionSink& front)
    : path_((std::filesystem::path(folder) / "transcript.txt").string()), front_(front) {}

void TranscriptSink::Text(const std::string& text) {
  pending_.push_back("  " + OneLine(text));
  front_.Text(text);
}

void TranscriptSink::Event(const ServerEvent& event) {
  pending_.push_back("  [server] " + OneLine(event.text));
  front_.Event(event);
}

void TranscriptSink::Progress(size_t done, size_t total) { front_.Progress(done, total); }

void TranscriptSink::Result(const LineResult& result) {
  std::vector<std::string> lines;
  if (!started_) lines.push_back("session started");
  lines.push_back("> " + OneLine(result.line));
  lines.insert(lines.end(), pending_.begin(), pending_.end());
  pending_.clear();
  if (Append(lines)) started_ = true;
  front_.Result(result);
}

void TranscriptSink::Summary(const SessionSummary& summary) {
  std::vector<std::string> lines = pending_;
  pending_.clear();
  lines.push_back("session ended (exit status " + std::to_string(summary.exitStatus) + ")");
  if (started_) Append(lines);
  front_.Summary(summary);
}

bool TranscriptSink::Append(const std::vector<std::string>& lines) {
  const std::string time = UtcNow();
  std::string text;
  for (const std::string& line : lines) text += time + " " + line + "\n";
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && WriteAllBytes(fd, text);
  int saved = errno;
  if (fd >= 0 && ::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok) {
    written_ = true;
    return true;
  }
  const std::string problem = "cannot write the transcript " + path_ + ": " + std::strerror(saved);
  ReportDiagnostic(DiagnosticLevel::kDebug, ("(TranscriptSink) " + problem).c_str());
  if (!failed_) front_.Text(problem);
  failed_ = true;
  return false;
}
