#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "iac/InternetAccessController.h"
#include "iac/InternetAccessControllers.h"
#include "session/EnvironmentProxyAuthenticator.h"
#include "session/QuietMessageBoxes.h"
#include "session/ServerReply.h"
#include "session/SessionListener.h"

// A search server reached through the library's session classes: one
// controller for the servlet URL (it logs in before the first operation and
// again after a lost session), a SessionListener for its events and
// credentials, and the proxy credentials of the environment. Each operation
// comes back as a ServerReply value; none throws. While it lives the
// library's message boxes are not shown (QuietMessageBoxes). One thread.
class ServerConnection {
 public:
  // No traffic yet. `credentials` and `events` as for SessionListener.
  ServerConnection(const std::string& url, SessionListener::CredentialSource credentials,
                   SessionListener::EventHandler events);
  // Says goodbye to a server whose session is open.
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  const std::string& url() const { return url_; }
  SessionListener& listener() { return listener_; }

  // Opens the session; delivered (with an empty body) once it is open.
  ServerReply Login();
  // The list of databases, as the server's XML.
  ServerReply DatabaseList();
  // The server's XML about database `base`.
  ServerReply BaseInfo(const std::string& base);
  // The KTF answer to `question` in `base`: `count` records from record
  // `position` (0 records: only the hit count and the set number).
  ServerReply Query(const std::string& base, const std::string& question, int position, int count);
  // The server's check of `question` (KTF), which it does not run.
  ServerReply Check(const std::string& base, const std::string& question);
  // The text file `file` of `base` (a help text, a facsimile record).
  ServerReply TextFile(const std::string& base, const std::string& file);

  // Why the server refuses `question` (checked, or `run`), from its error
  // page: the question is sent once more, straight through the transport of
  // the open session. "" when the server accepts it or does not say.
  std::string RefusalReason(const std::string& base, const std::string& question, bool run);
  // The same for a text file of `base`, and for its information.
  std::string FileRefusalReason(const std::string& base, const std::string& file);
  std::string BaseInfoRefusalReason(const std::string& base);

 private:
  // Runs one operation that says itself whether its output arrived, and
  // makes the reply of it.
  ServerReply Run(const std::function<bool(CString& output)>& operation);
  // The same for an operation that leaves its output untouched when nothing
  // arrived and says nothing else.
  ServerReply RunUntouched(const std::function<void(CString& output)>& operation);
  // The error page's text of a request with `parameters` sent straight
  // through the transport of the open session; "" for a 200 answer or none.
  using Parameters = std::vector<std::pair<std::string, std::string>>;
  std::string ErrorPage(const Parameters& parameters);
  // How an operation that delivered nothing ended, from its events and the
  // transport's last exchange.
  void Classify(ServerReply& reply) const;

  std::string url_;
  QuietMessageBoxes quiet_;  // first in, last out: the goodbye is quiet too
  EnvironmentProxyAuthenticator proxy_;
  SessionListener listener_;
  std::unique_ptr<InternetAccessControllers> registry_;
  InternetAccessController* controller_ = nullptr;  // owned by registry_
};
