#include "server/Answer.h"

#include "server/Markup.h"

void Answer::Fail(int httpStatus, const std::string& exception, const std::string& message) {
  status = httpStatus;
  contentType = "text/html; charset=UTF-8";
  body = Markup::Page(ExceptionName(exception) + ": " + message, message);
}

std::string Answer::ExceptionName(const std::string& exception) {
  return "sorrel.server." + exception;
}
