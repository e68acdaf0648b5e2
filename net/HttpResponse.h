#pragma once

#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/WinTypes.h"

class Bytes;

// What HttpController::Connect returns: whether an HTTP status came back,
// the status and the body. The caller of Connect owns it.
class SORREL_EXPORT HttpResponse {
 public:
  // No status received, no body.
  HttpResponse();
  // Deletes the body.
  virtual ~HttpResponse();
  HttpResponse(const HttpResponse&) = delete;
  HttpResponse& operator=(const HttpResponse&) = delete;

  // True when an HTTP status was received; the status code is meaningful only then.
  bool IsConnectionSuccessful();
  void SetConnectionSuccessful(bool successful);
  unsigned long GetStatusCode();
  void SetStatusCode(unsigned long statusCode);
  // The body, still owned by the response; null before one is attached.
  Bytes* GetBytes();
  // Takes `bytes` into ownership and releases the body held before.
  void SetBytes(Bytes* bytes);
  // The body's bytes in `text`; `text` is untouched when there is no body.
  void GetString(CString& text);

 private:
  bool connectionSuccessful;  // an HTTP status was received
  Bytes* bytes;               // the body, owned; null until attached
  DWORD statusCode;           // the HTTP status; read only when connectionSuccessful
};
