#pragma once

#include <memory>
#include <string>

class JavaControllerWrapper;

// A patent's register data (bibliographic, family, legal status) through the
// Java bridge, rendered as XHTML by the desk's style sheet (register.xsl of
// the page's folder). The Java machine is started at the first request and
// kept; without a Java runtime, Trellis.dll or trellis.jar every request
// gets a plain note instead. One thread at a time.
class RegisterData {
 public:
  // `servletUrl`: the search server's; `styleSheet`: the XSLT file's path.
  RegisterData(std::string servletUrl, std::string styleSheet);
  ~RegisterData();
  RegisterData(const RegisterData&) = delete;
  RegisterData& operator=(const RegisterData&) = delete;

  // The XHTML of publication `number` ("EP 1000000 A1"); false with a
  // readable `note` when the bridge is missing or the patent is not found.
  bool Fetch(const std::string& number, std::string& xhtml, std::string& note);

 private:
  // Starts the Java machine once; false with the reason in `note`.
  bool Start(std::string& note);

  std::string servletUrl_;
  std::string styleSheet_;
  std::unique_ptr<JavaControllerWrapper> bridge_;  // null until started
  std::string startFailure_;                       // why it could not start, kept
};
