#include "web/RegisterData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// Without a Java runtime, or for a number that is not one, the register
// data is a plain note and nothing is started.
TEST(RegisterData, GivesANoteWhenItCannotAsk) {
  const char* before = std::getenv("JAVA_HOME");
  const std::string saved = before ? before : "";
  setenv("JAVA_HOME", "/nonexistent-java-home", 1);
  RegisterData data("http://127.0.0.1:9/sorrel/Search", "register.xsl");
  struct Case {
    const char* number;
    const char* said;
  };
  for (const Case& c : {Case{"EP 1000000 A1", "No Java runtime"},
                        Case{"EP 1000000 A1", "No Java runtime"},  // kept, not retried
                        Case{"EP1000000", "is not a publication number"}}) {
    std::string xhtml, note;
    EXPECT_FALSE(data.Fetch(c.number, xhtml, note));
    EXPECT_NE(note.find(c.said), std::string::npos) << note;
    EXPECT_TRUE(xhtml.empty());
  }
  if (before) {
    setenv("JAVA_HOME", saved.c_str(), 1);
  } else {
    unsetenv("JAVA_HOME");
  }
}
