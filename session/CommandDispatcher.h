#pragma once

#include <string>
#include <utility>
#include <vector>

#include "session/DocumentExporter.h"
#include "session/KeptFile.h"
#include "session/LineResult.h"
#include "session/SessionExchange.h"
#include "session/SessionSets.h"
#include "session/SessionSink.h"
#include "session/SessionSummary.h"
#include "translator/KTF_COMMAND.h"

// Runs one translated command of a session: the operation its type names.
// A search is checked and run on the server and becomes the next set;
// PRINT, KEEP and BROWSE fetch documents of the latest set (files through
// DocumentExporter, kept.ktf through KeptFile, fields on screen); ERASE and
// HISTORY act on the sets alone; INFORMATION, FIELDS and HELP ask the
// server; STOP ends the session; the commands the server has no operation
// for are refused. Fills the line's result, says its text lines to the sink
// as they come, and counts into the session's tally. The parts it is given
// must outlive it.
class CommandDispatcher {
 public:
  CommandDispatcher(SessionExchange& exchange, SessionSets& sets, DocumentExporter& exporter,
                    KeptFile& kept, SessionSink& sink, SessionSummary& tally);

  // Runs `command` (valid VERGER, translated) into `result`.
  void Run(const KTF_COMMAND& command, LineResult& result);

 private:
  void Search(const std::string& expression, LineResult& result);
  void Print(const std::vector<int>& positions, LineResult& result);
  void Keep(const std::vector<int>& positions, LineResult& result);
  void Browse(int number, LineResult& result);
  void Erase(const KTF_COMMAND& command, LineResult& result);
  void History(LineResult& result);
  void Help(LineResult& result);
  void Information(bool fieldsOnly, LineResult& result);
  void Unsupported(LineResult& result);

  // Documents of the latest set at `positions`; positions past its end are
  // named in the result and skipped.
  std::vector<std::pair<int, KtfDocumentReader::Document>> FetchLatest(
      const std::vector<int>& positions, LineResult& result);
  // When an interrupt stopped PRINT or KEEP of `positions` after `done`
  // documents, says so in the result.
  void Interrupted(size_t done, const std::vector<int>& positions, LineResult& result);
  // The server did not answer a request of HELP, FIELDS or INFORMATION.
  void NotAnswered(LineResult& result);
  void SayPrinted(int position, const DocumentExporter::Result& made);
  void Say(const std::string& text) { sink_.Text(text); }

  SessionExchange& exchange_;
  SessionSets& sets_;
  DocumentExporter& exporter_;
  KeptFile& kept_;
  SessionSink& sink_;
  SessionSummary& tally_;
};
