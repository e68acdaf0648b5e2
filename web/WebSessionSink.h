#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "session/SessionSink.h"

// A session for a page in a browser: what one line (or one request of the
// page) made is gathered as JSON until the desk takes it, { "text": [...],
// "result": {...} }, and the server's events wait as notices until the page
// asks. The engine hands it UTF-8 text. Every string is data for the page,
// which never reads it as markup. Used from the session's thread only.
class WebSessionSink : public SessionSink {
 public:
  void Text(const std::string& text) override;
  void Event(const ServerEvent& event) override;
  void Progress(size_t done, size_t total) override;
  void Result(const LineResult& result) override;
  void Summary(const SessionSummary& summary) override;

  // The text lines and the result gathered since the last call, emptied.
  nlohmann::json TakeOutput();
  // The notices since the last call, emptied: {"event", "text"} each.
  nlohmann::json TakeNotices();
  // Adds a notice of the desk's own ("serverGone", ...).
  void Notice(const std::string& name, const std::string& text);

  // A printed document as the page shows it: its number, title, and the
  // names (not paths) of its files.
  static nlohmann::json PrintedJson(int position, const DocumentExporter::Result& made);

 private:
  std::vector<std::string> text_;
  nlohmann::json result_;
  nlohmann::json notices_ = nlohmann::json::array();
};
