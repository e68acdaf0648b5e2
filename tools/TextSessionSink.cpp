#include "tools/TextSessionSink.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "session/ServerReply.h"
#include "session/SessionText.h"
#include "tools/TerminalText.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kBarWidth = 30;

void ShowFiles(const SessionSummary& summary) {
  std::cout << "\nFiles made in " << summary.folder << ":\n";
  for (const std::string& file : summary.files) {
    std::cout << "  " << TerminalText::ShownLine(fs::path(file).filename().string()) << '\n';
  }
}

void ShowEvents(const SessionSummary& summary, const LineEncoding& encoding) {
  std::cout << "  server events ";
  const char* separator = " ";
  for (const auto& [name, count] : summary.events) {
    std::cout << separator << encoding.ForUser(TerminalText::ShownUtf8Line(count.latestText))
              << " (" << count.times << ")";
    separator = "; ";
  }
  if (summary.events.empty()) std::cout << " none";
  std::cout << '\n';
}

}  // namespace

TextSessionSink::TextSessionSink(bool echo, bool progress) : echo_(echo), progress_(progress) {}

std::string TextSessionSink::Shown(const std::string& text, bool line) const {
  return encoding_.ForUser(line ? TerminalText::ShownUtf8Line(text)
                                : TerminalText::ShownUtf8(text));
}

void TextSessionSink::Text(const std::string& text) { lines_.push_back(Shown(text, false)); }

void TextSessionSink::Event(const ServerEvent& event) {
  lines_.push_back("[server] " + Shown(event.text, true));
}

void TextSessionSink::Progress(size_t done, size_t total) {
  if (!progress_) return;
  const size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
  std::fprintf(stderr, "\r  fetching [%s%s] %zu/%zu", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), done, total);
  if (done >= total) std::fprintf(stderr, "\r%*s\r", static_cast<int>(kBarWidth + 40), "");
  std::fflush(stderr);
}

void TextSessionSink::Result(const LineResult& result) {
  if (echo_) std::cout << "sorrel> " << Shown(Printable(result.line), true) << '\n';
  for (const std::string& line : lines_) std::cout << "  " << line << '\n';
  std::cout.flush();
  lines_.clear();
}

void TextSessionSink::Summary(const SessionSummary& summary) {
  auto count = [&](const char* extension) {
    return std::count_if(summary.files.begin(), summary.files.end(), [&](const std::string& file) {
      return fs::path(file).extension() == extension;
    });
  };
  ShowFiles(summary);
  std::cout << "\nSummary\n";
  std::cout << "  lines          " << summary.lines << " run: " << summary.refusedLines
            << " not valid VERGER, " << summary.serverRefusals << " refused by the server, "
            << summary.unsupported << " without a server operation\n";
  std::cout << "  searches       " << summary.sets.size() << " sets:";
  for (const auto& [number, hits] : summary.sets) std::cout << " $" << number << "=" << hits;
  std::cout << "\n  documents      " << summary.printed << " printed, " << summary.kept << " kept, "
            << summary.shown << " shown\n";
  std::cout << "  files          " << count(".sgml") << " SGML, " << count(".tif") << " TIFF, "
            << count(".png") << " PNG, " << count(".css") << " style sheets"
            << (summary.keptFile ? ", kept.ktf" : "")
            << (summary.keptContinued ? " (added to an earlier session's)" : "") << '\n';
  ShowEvents(summary, encoding_);
  if (!summary.transcript.empty()) {
    std::cout << "  transcript     " << TerminalText::ShownLine(summary.transcript) << '\n';
  }
  if (summary.exitStatus == kExitNoAnswer) {
    std::cout << "  ended early: the server stopped answering\n";
  }
  if (summary.exitStatus == kExitLoginRefused) {
    std::cout << "  ended early: the login was refused\n";
  }
}
