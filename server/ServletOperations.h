#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "server/Answer.h"
#include "server/PatentBase.h"
#include "server/RequestParams.h"
#include "server/SessionTable.h"

// The servlet's operations over the server's bases, by iac_op and action:
// 1 the database list, 2 a base's information, a question run (r) or checked
// (p), 3 one of a base's files (its term index among them, TermIndex). They serve the servlet,
// within a session, and the login-free XML-server variant. Thread-safe as its bases and its session
// table are.
class ServletOperations {
 public:
  // Works on `bases` and `sessions`, which the caller owns and keeps alive;
  // an answer holds at most `maxRecords` documents.
  ServletOperations(std::vector<std::unique_ptr<PatentBase>>& bases, SessionTable& sessions,
                    size_t maxRecords)
      : bases_(bases), sessions_(sessions), maxRecords_(maxRecords) {}

  // Answers the operation that `params` name. `session` is the open session
  // whose result sets a question reads and extends; empty for none. With
  // `xmlServer` iac_op may be left out: the action then says it. A missing
  // or unknown operation, base or file becomes the matching error page.
  void Run(const RequestParams& params, const std::string& session, bool xmlServer, Answer& answer);

 private:
  void DatabaseList(Answer& answer);
  void BaseInfo(PatentBase& base, Answer& answer);
  void BaseFile(PatentBase& base, const std::string& action, const RequestParams& params,
                Answer& answer);
  // The term index file (TermIndex) when `file` names one: answered, true.
  bool IndexFile(PatentBase& base, const std::string& file, Answer& answer);
  void RunQuestion(PatentBase& base, const RequestParams& params, const std::string& session,
                   bool run, Answer& answer);
  void AnswerHits(PatentBase& base, const QueryNode& root, size_t position, size_t size,
                  const std::string& session, Answer& answer);
  PatentBase* FindBase(const std::string& name);

  std::vector<std::unique_ptr<PatentBase>>& bases_;
  SessionTable& sessions_;
  size_t maxRecords_;
};
