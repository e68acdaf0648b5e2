#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/HttpAuthenticator.h"
#include "net/HttpController.h"
#include "net/HttpRequest.h"
#include "net/HttpResponse.h"
#include "tests/servers/ScopedEnvironment.h"

// An authenticator that answers from a script and counts the questions.
class ScriptedAuthenticator : public HttpAuthenticator {
 public:
  struct Answer {
    bool accept;
    const char* userName;
    const char* password;
  };

  std::vector<Answer> serverAnswers;  // one per 401, in order; declines after the last
  std::vector<Answer> proxyAnswers;   // one per 407 passed on, in order
  int serverQuestions = 0;
  int proxyQuestions = 0;
  std::vector<std::string> proxyCredentialsOffered;  // "user:password" arriving in the strings

  bool GetAuthentication(HttpRequest&, CString& userName, CString& password) override {
    return Reply(serverAnswers, serverQuestions++, userName, password);
  }
  bool GetProxyAuthentication(HttpRequest&, CString& userName, CString& password) override {
    proxyCredentialsOffered.push_back((userName + ":" + password).str());
    return Reply(proxyAnswers, proxyQuestions++, userName, password);
  }

 private:
  static bool Reply(const std::vector<Answer>& answers, int index, CString& userName,
                    CString& password) {
    if (index >= static_cast<int>(answers.size()) || !answers[index].accept) return false;
    userName = answers[index].userName;
    password = answers[index].password;
    return true;
  }
};

// The outcome of one Connect, with the response already released.
struct Outcome {
  bool successful = false;
  unsigned long status = 0;
  std::string body;
  bool hasBody = false;
  std::string error;
};

inline Outcome Post(HttpRequest& request, HttpAuthenticator& authenticator,
                    HttpController& controller) {
  HttpResponse* response = controller.Connect(request, authenticator);
  Outcome outcome;
  outcome.successful = response->IsConnectionSuccessful();
  if (outcome.successful) outcome.status = response->GetStatusCode();
  outcome.hasBody = response->GetBytes() != nullptr;
  CString body;
  response->GetString(body);
  outcome.body = body.str();
  outcome.error = controller.GetLastErrorMessage().str();
  delete response;
  return outcome;
}

inline Outcome Post(const std::string& url,
                    const std::vector<std::pair<const char*, const char*>>& parameters = {}) {
  HttpRequest request(url.c_str());
  for (const auto& [name, value] : parameters) request.SetParameter(name, value);
  ScriptedAuthenticator authenticator;
  HttpController controller;
  return Post(request, authenticator, controller);
}

// Short time limits and no proxy, for the length of a test.
class LoopbackEnvironment {
 public:
  LoopbackEnvironment() {
    environment_.WithoutProxies()
        .Set("SORREL_HTTP_CONNECT_TIMEOUT", "2")
        .Set("SORREL_HTTP_IDLE_TIMEOUT", "1.5")
        .Clear("SORREL_HTTP_CA_FILE");
  }
  ScopedEnvironment& Environment() { return environment_; }

 private:
  ScopedEnvironment environment_;
};
