#pragma once

#include <csignal>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ktf/KtfDocumentReader.h"
#include "session/LineEncoding.h"
#include "session/LineResult.h"
#include "session/ServerConnection.h"
#include "session/SessionSets.h"
#include "session/SessionSink.h"
#include "session/SessionSummary.h"

// The session's exchanges with the server. A question goes out in the
// server's set numbers (SessionSets, running earlier sets again after a new
// login); an exchange that lost the session runs once more after a new
// login; a failure that ends the session (no answer, a refused login, a
// login answer that is not XML) is kept with its exit status, and nothing is
// sent after it. Every failure is written into the line's result (`error`)
// and said as a text line to the sink. The parts it is given must outlive it.
class SessionExchange {
 public:
  // One fetched page of a set: the answer record's fields and the documents.
  struct Answer {
    std::map<std::string, std::string> header;
    std::vector<KtfDocumentReader::Document> documents;
  };

  SessionExchange(ServerConnection& connection, SessionSets& sets, SessionSink& sink,
                  SessionSummary& tally, std::string base);

  // The server's check of `expression` (session numbers), its KTF text in
  // `checked`. False when it did not arrive; a refusal's reason is asked.
  bool Check(LineResult& result, const std::string& expression, std::string& checked);
  // Runs `expression` and fetches `count` of its documents from `position`
  // (0: only the header, with SET and HITS).
  bool Ask(LineResult& result, const std::string& expression, int position, int count,
           Answer& answer);
  // Documents of set `number` at `positions` (each within the set), fetched
  // in batches of consecutive positions; stops at the first failure.
  std::vector<std::pair<int, KtfDocumentReader::Document>> Fetch(LineResult& result, int number,
                                                                 const std::vector<int>& positions);
  // A text file of the base, and the base's information (XML). A `typed`
  // name holds the user's words in UTF-8 and goes in the server's code page
  // (refused, like a question, when it cannot); other names go as they are.
  bool TextFile(LineResult& result, const std::string& file, std::string& text,
                bool typed = false);
  bool BaseInfo(LineResult& result, std::string& xml);

  // The server's list of databases (XML), and the information of base `base`
  // (not necessarily the one searched).
  bool DatabaseList(LineResult& result, std::string& xml);
  bool BaseInfoOf(LineResult& result, const std::string& base, std::string& xml);
  // Why the server did not deliver text file `file` ("" when it does not say).
  std::string FileRefusalReason(const std::string& file, bool typed = false);
  // The base searched; questions go to `base` from now on.
  const std::string& base() const { return base_; }
  void SetBase(const std::string& base) { base_ = base; }

  // A flag (set by a signal handler) that stops the command being run: a
  // fetch ends after the batch in hand. Null: never stopped. Must outlive it.
  void StopWhen(const volatile std::sig_atomic_t* flag) { stop_ = flag; }
  // The conversion of questions (UTF-8, as the engine holds them) into the
  // server's code page just before they are sent; null: sent as they are.
  // Must outlive it.
  void SendIn(const LineEncoding* encoding) { encoding_ = encoding; }
  // The flag is set now.
  bool interrupted() const { return stop_ != nullptr && *stop_ != 0; }

  // STOP: nothing more is sent; the exit status stays.
  void Stop() { ended_ = true; }
  bool ended() const { return ended_; }
  int exitStatus() const { return exitStatus_; }

 private:
  // Sends one request: null when its question could not be translated (the
  // reason is in the result), else the server's reply.
  using Request = std::function<std::optional<ServerReply>()>;
  enum class Verdict { kDelivered, kFailed, kRetry };

  // Runs `request`, once more after a new login when the session was lost
  // on the way; true with `reply` when it delivered.
  bool Deliver(LineResult& result, const Request& request, ServerReply& reply);
  // What one attempt came to; a failure that ends the session is reported.
  Verdict Judge(LineResult& result, const ServerReply& reply);
  // Sends a question (`run`: run it, else only check it) in the server's
  // numbers through `send`, as Deliver does; a question that was not
  // delivered is reported as refused, with the server's reason.
  using QuestionSender = std::function<ServerReply(const std::string& question)>;
  bool SendQuestion(LineResult& result, const std::string& expression, bool run,
                    const QuestionSender& send, ServerReply& reply);
  // `expression` in the server's numbers; false (reported) when it cannot be.
  bool Translate(LineResult& result, const std::string& expression, std::string& question);
  // `question` put in the server's code page; false (reported) when it cannot be.
  bool Encode(LineResult& result, std::string& question);
  // Reports a question the server refused, with the server's reason.
  void Refused(LineResult& result, const std::string& question, bool run);
  // Ends the session with `status`, `error` as the line's error.
  void End(LineResult& result, int status, const std::string& error);
  void Fail(LineResult& result, const std::string& error);

  ServerConnection& connection_;
  SessionSets& sets_;
  SessionSink& sink_;
  SessionSummary& tally_;
  std::string base_;
  bool ended_ = false;
  const volatile std::sig_atomic_t* stop_ = nullptr;
  const LineEncoding* encoding_ = nullptr;
  int exitStatus_ = kExitDelivered;
};
