#pragma once

#include "net/HttpResponse.h"
#include "platform/Export.h"

// The outcome of one login exchange: whether a status came back, whether the
// user may use the server, and the server's response. The response belongs
// to this object and is deleted with it.
class SORREL_EXPORT InternetAccessControllerResponse {
 public:
  // Both flags false, no response.
  InternetAccessControllerResponse();
  virtual ~InternetAccessControllerResponse();
  InternetAccessControllerResponse(const InternetAccessControllerResponse&) = delete;
  InternetAccessControllerResponse& operator=(const InternetAccessControllerResponse&) = delete;

  bool IsConnectionSuccessful();
  void SetConnectionSuccessful(bool connectionSuccessful);
  bool IsAccessAuthorized();
  void SetAccessAuthorized(bool accessAuthorized);
  // The response, still owned by this object; null when none was stored.
  HttpResponse* GetHttpResponse();
  // Takes `response` into ownership, deleting the one held before.
  void SetHttpResponse(HttpResponse* response);

 private:
  bool connectionSuccessful_ = false;     // the login request received a status
  bool accessAuthorized_ = false;         // the user may use the server
  HttpResponse* httpResponse_ = nullptr;  // owned
};
