// The sorrel tool's "patent" command end to end: the built tool, its
// Trellis.dll and trellis.jar beside it, against a loopback register server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/common/TempDir.h"
#include "tests/java/RegisterServer.h"

namespace {

struct Outcome {
  int status;          // the tool's exit status
  std::string output;  // standard output and standard error together
};

// In the sanitizer build the tool shares its process with the virtual
// machine too: the machine keeps SIGSEGV, and leaks are checked by the
// bridge's own tests, which know what the machine holds.
Outcome RunSorrel(const std::string& arguments) {
  const std::string command = std::string(
                                  "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:"
                                  "detect_leaks=0 JAVA_HOME=") +
                              SORREL_JAVA_HOME + " " + SORREL_BINARY_DIR + "/sorrel patent " +
                              arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(PatentCommand, PrintsTheServersDocumentOrItsRenderingAndNamesEachFailure) {
  RegisterServer server(SORREL_TEST_DATA_DIR "/java/EP1000000A1.xml");
  const std::string url = " --url " + server.SearchUrl();

  Outcome all = RunSorrel("EP 1000000 A1" + url);
  EXPECT_EQ(all.status, 0) << all.output;
  EXPECT_EQ(all.output, server.Answer(true, true, true));
  Outcome legal = RunSorrel("EP 1000000 A1 --legal" + url);
  EXPECT_EQ(legal.output, server.Answer(false, false, true));

  TempDir dir;
  WriteBytes(dir.File("kinds.xsl"),
             "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
             "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"
             "<xsl:template match=\"/patent\"><p><xsl:value-of select=\"@kind\"/></p>"
             "</xsl:template></xsl:stylesheet>");
  Outcome rendered = RunSorrel("EP 1000000 A1 --family --xhtml " + dir.File("kinds.xsl") + url);
  EXPECT_EQ(rendered.output, "<p>A1</p>\n");

  struct Case {
    std::string arguments;
    int status;
    const char* message;
  } failures[] = {
      {"EP 9999999 A1" + url, 1, "Patent EP 9999999 A1 not found\n"},
      {"EP 1000000 A1 --java-home /nonexistent" + url, 2,
       "no Java runtime in /nonexistent (lib/server/libjvm.so is missing): install "
       "default-jdk-headless or give --java-home\n"},
      {"EP 1000000 A1 --xhtml /nonexistent.xsl" + url, 2,
       "cannot read the style sheet /nonexistent.xsl\n"},
  };
  for (const Case& c : failures) {
    Outcome outcome = RunSorrel(c.arguments);
    EXPECT_EQ(outcome.status, c.status) << c.arguments;
    EXPECT_EQ(outcome.output, c.message) << c.arguments;
  }
}

}  // namespace
