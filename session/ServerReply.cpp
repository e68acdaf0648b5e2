#include "session/ServerReply.h"

#include <algorithm>

bool ServerReply::Saw(ServerEvent::Kind kind) const {
  return std::any_of(events.begin(), events.end(),
                     [kind](const ServerEvent& event) { return event.kind == kind; });
}

int ServerReply::ExitStatus() const {
  switch (outcome) {
    case Outcome::kDelivered:
      return kExitDelivered;
    case Outcome::kNoAnswer:
      return kExitNoAnswer;
    case Outcome::kLoginRefused:
      return kExitLoginRefused;
    case Outcome::kNotXml:
    case Outcome::kProxyRefused:
    case Outcome::kSessionLost:
    case Outcome::kNoServer:
    case Outcome::kOtherStatus:
      return kExitOtherAnswer;
  }
  return kExitOtherAnswer;
}
