// The sorrel tool's "patent" command end to end: the built tool, its
// Trellis.dll and trellis.jar beside it, against a loopback register server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/common/TempDir.h"
#include "tests/java/RegisterServer.h"

namespace {

TEST(PatentCommand, PrintsTheServersDocumentOrItsRenderingAndNamesEachFailure) {
  RegisterServer server(SORREL_TEST_DATA_DIR "/java/EP1000000A1.xml");
  TempDir dir;
  WriteBytes(dir.File("kinds.xsl"),
             "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
             "<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"
             "<xsl:template match=\"/patent\"><p><xsl:value-of select=\"@kind\"/></p>"
             "</xsl:template></xsl:stylesheet>");
  struct Case {
    std::string arguments;
    int status;
    std::string output;  // standard output and standard error together
  } cases[] = {
      {"EP 1000000 A1", 0, server.Answer(true, true, true)},
      {"EP 1000000 A1 --legal", 0, server.Answer(false, false, true)},
      {"EP 1000000 A1 --family --xhtml " + dir.File("kinds.xsl"), 0, "<p>A1</p>\n"},
      {"EP 9999999 A1", 1, "Patent EP 9999999 A1 not found\n"},
      {"EP 1000000 A1 --java-home /nonexistent", 1,
       "no Java runtime in /nonexistent (lib/server/libjvm.so is missing): install "
       "default-jdk-headless or give --java-home\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    // In the sanitizer build the tool shares its process with the virtual
    // machine too: the machine keeps SIGSEGV, and leaks are checked by the
    // bridge's own tests, which know what the machine holds.
    const std::string command =
        std::string("ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0 ") +
        "JAVA_HOME=" + SORREL_JAVA_HOME + " " + SORREL_BINARY_DIR + "/sorrel patent " +
        c.arguments + " --url " + server.SearchUrl() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
    EXPECT_EQ(output, c.output);
  }
}

}  // namespace
