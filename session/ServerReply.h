#pragma once

#include <string>
#include <vector>

#include "session/ServerEvent.h"

// Exit statuses of the programs' server operations and sessions.
constexpr int kExitDelivered = 0;     // a 200 answer; a session that ran to its end
constexpr int kExitLoginRefused = 2;  // authentication refused or declined
constexpr int kExitNoAnswer = 3;      // no status came back
constexpr int kExitOtherAnswer = 4;   // any other status (no search server at the URL), or a
                                      // login answer that is not XML

// What one operation on a search server came to, as a value: how it ended,
// the answer when one arrived, and the session's events on the way.
struct ServerReply {
  enum class Outcome {
    kDelivered,     // a 200 answer, in `body` (which may be empty)
    kNotXml,        // the login answer is not well-formed XML; `failure` says why
    kNoAnswer,      // a login or the request got no status; `failure` has the transport's text
    kLoginRefused,  // the server refused the login, or no credentials were given
    kProxyRefused,  // the proxy refused its credentials
    kSessionLost,   // the server lost the session on the way (expired, closed, forgotten)
    kNoServer,      // the login request got a status other than 200: no search server at the
                    // URL; `failure` says which
    kOtherStatus,   // the request got another status; `failure` holds the server's reason
                    // when the caller read it (ServerConnection::RefusalReason)
  };

  Outcome outcome = Outcome::kOtherStatus;
  std::string body;                 // the answer, when delivered
  std::string failure;              // see Outcome; "" when not known
  std::vector<ServerEvent> events;  // the session's events during the operation, in order

  bool delivered() const { return outcome == Outcome::kDelivered; }
  // One of `events` is of this kind.
  bool Saw(ServerEvent::Kind kind) const;
  // The exit status of a program that ran this one operation.
  int ExitStatus() const;
};
