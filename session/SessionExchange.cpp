#include "session/SessionExchange.h"

#include <cstdlib>
#include <utility>

#include "session/TransportFailure.h"
#include "session/Windows1252.h"

namespace {

constexpr size_t kBatch = 10;  // documents asked in one request

}  // namespace

SessionExchange::SessionExchange(ServerConnection& connection, SessionSets& sets, SessionSink& sink,
                                 SessionSummary& tally, std::string base)
    : connection_(connection), sets_(sets), sink_(sink), tally_(tally), base_(std::move(base)) {}

bool SessionExchange::Deliver(LineResult& result, const Request& request, ServerReply& reply) {
  if (ended_) return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::optional<ServerReply> sent = request();
    if (!sent) return false;
    reply = std::move(*sent);
    const Verdict verdict = Judge(result, reply);
    if (verdict != Verdict::kRetry) return verdict == Verdict::kDelivered;
  }
  return false;
}

SessionExchange::Verdict SessionExchange::Judge(LineResult& result, const ServerReply& reply) {
  using Outcome = ServerReply::Outcome;
  SessionListener& listener = connection_.listener();
  switch (reply.outcome) {
    case Outcome::kDelivered:
      listener.Rearm();
      return Verdict::kDelivered;
    case Outcome::kNotXml:
      End(result, kExitOtherAnswer,
          "the server's login answer is not well-formed XML (" + reply.failure +
              "): the session ends");
      return Verdict::kFailed;
    default:
      break;
  }
  // A set run again on the way has ended the session.
  if (ended_) return Verdict::kFailed;
  switch (reply.outcome) {
    case Outcome::kNoAnswer:
      End(result, kExitNoAnswer,
          "the server does not answer (" +
              (reply.failure.empty() ? "no answer" : TransportFailure::From(reply.failure).words) +
              "): the session ends");
      return Verdict::kFailed;
    case Outcome::kNoServer:
      End(result, kExitOtherAnswer, reply.failure + ": the session ends");
      return Verdict::kFailed;
    case Outcome::kLoginRefused:
    case Outcome::kProxyRefused:
      End(result, kExitLoginRefused, "the login was refused: the session ends");
      return Verdict::kFailed;
    case Outcome::kSessionLost:
      // A session lost on the way (expired, closed elsewhere, forgotten by
      // the server) is opened again and the request repeated once.
      listener.Rearm();
      sets_.NewLogin();
      return Verdict::kRetry;
    default:
      return Verdict::kFailed;
  }
}

bool SessionExchange::Translate(LineResult& result, const std::string& expression,
                                std::string& question) {
  const SessionSets::Translation translation =
      sets_.Translate(expression, [&](const std::string& again, int& serverSet) {
        Answer answer;
        if (!Ask(result, again, 1, 0, answer)) return false;
        serverSet = std::atoi(answer.header["SET"].c_str());
        return true;
      });
  question = translation.question;
  switch (translation.refusal) {
    case SessionSets::Refusal::kNone:
      return true;
    case SessionSets::Refusal::kUnknownSet:
    case SessionSets::Refusal::kErasedSet:
      result.error = translation.Reason();
      sink_.Text("refused: " + translation.Reason());
      return false;
    case SessionSets::Refusal::kRerunFailed:
      break;
  }
  return false;
}

bool SessionExchange::Encode(LineResult& result, std::string& question) {
  if (encoding_ == nullptr) return true;
  std::string refusal;
  std::optional<std::string> encoded = encoding_->ForServer(question, refusal);
  if (!encoded) {
    result.error = refusal;
    sink_.Text("refused: " + refusal);
    return false;
  }
  question = std::move(*encoded);
  return true;
}

bool SessionExchange::SendQuestion(LineResult& result, const std::string& expression, bool run,
                                   const QuestionSender& send, ServerReply& reply) {
  std::string question;
  const bool delivered = Deliver(
      result,
      [&]() -> std::optional<ServerReply> {
        if (!Translate(result, expression, question) || !Encode(result, question)) {
          return std::nullopt;
        }
        return send(question);
      },
      reply);
  if (!delivered) Refused(result, question, run);
  return delivered;
}

bool SessionExchange::Check(LineResult& result, const std::string& expression,
                            std::string& checked) {
  ServerReply reply;
  const auto send = [&](const std::string& question) { return connection_.Check(base_, question); };
  if (!SendQuestion(result, expression, false, send, reply)) return false;
  checked = reply.body;
  return true;
}

bool SessionExchange::Ask(LineResult& result, const std::string& expression, int position,
                          int count, Answer& answer) {
  ServerReply reply;
  const auto send = [&](const std::string& question) {
    return connection_.Query(base_, question, position, count);
  };
  if (!SendQuestion(result, expression, true, send, reply)) return false;
  KtfDocumentReader reader;
  if (!reader.Parse(reply.body) || reader.documents().empty()) {
    Fail(result, "the server's answer is not in KTF form: " + reader.error());
    return false;
  }
  for (const auto& [code, value] : reader.documents()[0]) answer.header[code] = value;
  answer.documents.assign(reader.documents().begin() + 1, reader.documents().end());
  return true;
}

std::vector<std::pair<int, KtfDocumentReader::Document>> SessionExchange::Fetch(
    LineResult& result, int number, const std::vector<int>& positions) {
  std::vector<std::pair<int, KtfDocumentReader::Document>> documents;
  // Consecutive positions go in one request, at most kBatch at a time.
  for (size_t i = 0; i < positions.size() && !ended_ && !interrupted();) {
    size_t run = 1;
    while (i + run < positions.size() && run < kBatch &&
           positions[i + run] == positions[i] + static_cast<int>(run))
      ++run;
    Answer answer;
    if (!Ask(result, "$" + std::to_string(number), positions[i], static_cast<int>(run), answer)) {
      break;
    }
    for (size_t k = 0; k < answer.documents.size() && k < run; ++k) {
      documents.emplace_back(positions[i] + static_cast<int>(k), answer.documents[k]);
    }
    i += run;
    if (positions.size() > kBatch) sink_.Progress(i, positions.size());
  }
  return documents;
}

bool SessionExchange::TextFile(LineResult& result, const std::string& file, std::string& text,
                               bool typed) {
  std::string name = file;
  if (typed && !Encode(result, name)) return false;
  ServerReply reply;
  if (!Deliver(
          result, [&] { return std::optional(connection_.TextFile(base_, name)); }, reply)) {
    return false;
  }
  text = reply.body;
  return true;
}

bool SessionExchange::BaseInfo(LineResult& result, std::string& xml) {
  ServerReply reply;
  if (!Deliver(
          result, [&] { return std::optional(connection_.BaseInfo(base_)); }, reply)) {
    return false;
  }
  xml = reply.body;
  return true;
}

void SessionExchange::Refused(LineResult& result, const std::string& question, bool run) {
  if (ended_ || result.error) return;
  ++tally_.serverRefusals;
  const std::string reason = connection_.RefusalReason(base_, question, run);
  Fail(result, "the server refused the question" +
                   (reason.empty() ? "" : ": " + Windows1252ToUtf8(reason)));
}

void SessionExchange::End(LineResult& result, int status, const std::string& error) {
  Fail(result, error);
  exitStatus_ = status;
  ended_ = true;
}

void SessionExchange::Fail(LineResult& result, const std::string& error) {
  result.error = error;
  sink_.Text(error);
}

bool SessionExchange::DatabaseList(LineResult& result, std::string& xml) {
  ServerReply reply;
  if (!Deliver(
          result, [&] { return std::optional(connection_.DatabaseList()); }, reply)) {
    return false;
  }
  xml = reply.body;
  return true;
}

bool SessionExchange::BaseInfoOf(LineResult& result, const std::string& base, std::string& xml) {
  ServerReply reply;
  if (!Deliver(
          result, [&] { return std::optional(connection_.BaseInfo(base)); }, reply)) {
    return false;
  }
  xml = reply.body;
  return true;
}

std::string SessionExchange::FileRefusalReason(const std::string& file, bool typed) {
  std::string name = file, refusal;
  if (typed && encoding_ != nullptr) name = encoding_->ForServer(file, refusal).value_or(file);
  return ended_ ? "" : connection_.FileRefusalReason(base_, name);
}
