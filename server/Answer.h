#pragma once

#include <string>

// What the server answers to one request, before it goes out over HTTP.
struct Answer {
  int status = 200;                                              // HTTP status
  std::string contentType = "text/plain; charset=windows-1252";  // Content-Type header
  std::string body;                                              // the bytes sent
  std::string cookie;  // a JSESSIONID value to set; empty: none

  // Makes this answer the error page of `exception` at `httpStatus`: an HTML
  // page titled "sorrel.server.EXCEPTION: message" (see ExceptionName).
  void Fail(int httpStatus, const std::string& exception, const std::string& message);
  // "sorrel.server." followed by `exception`: how an error page names it.
  static std::string ExceptionName(const std::string& exception);
};
