#pragma once

#include <memory>
#include <string>

#include "web/WebAccess.h"
#include "web/WebDesk.h"

namespace httplib {
class Server;
}

// The desk's HTTP server on 127.0.0.1 only: the page's files, the JSON
// interface over a WebDesk, and the files the session made (shown or
// downloaded). Every request passes WebAccess first (secret, Host, Origin);
// every answer carries a Content-Security-Policy that allows no inline
// script and nothing from outside. The desk must outlive the server.
class WebServer {
 public:
  // Nothing bound yet; the page's files are read from `pageDir`.
  WebServer(WebDesk& desk, std::string pageDir);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds 127.0.0.1:`port` (0: a free port) with a new secret; false with
  // the reason in `error` when the port cannot be had.
  bool Bind(int port, std::string& error);
  // The page's address with the secret, once bound.
  std::string Address() const;
  // Serves until Stop (from another thread or a signal's watcher); false
  // when the server could not serve.
  bool Serve();
  void Stop();

  // The folder of the page's files, found from the program's location:
  // PROGRAM/../share/sorrel/web installed, PROGRAM/share/sorrel/web in a
  // build folder (a link to web/page); "" when neither holds index.html.
  static std::string PageFolder();

 private:
  void AddRoutes();
  void AddApiRoutes();
  void AddFileRoutes();

  WebDesk& desk_;
  std::string pageDir_;
  std::unique_ptr<httplib::Server> http_;
  std::unique_ptr<WebAccess> access_;
};
