#include "support/Exception.h"

#include <gtest/gtest.h>

#include "support/BugException.h"
#include "support/JavaControllerException.h"
#include "support/JavaException.h"
#include "support/JniException.h"
#include "support/LibraryException.h"

namespace {

TEST(Exception, FamilyIsCaughtAsRootPointerAndDeletedThroughIt) {
  Exception* thrown[] = {new BugException("bug"), new JniException("jni"),
                         new JavaException("java"), new LibraryException("library"),
                         new JavaControllerException("controller")};
  const char* messages[] = {"bug", "jni", "java", "library", "controller"};
  for (int i = 0; i < 5; ++i) {
    try {
      throw thrown[i];
    } catch (Exception* caught) {
      EXPECT_EQ(caught->GetMessageA(), messages[i]);
      delete caught;  // the catcher owns it; the sanitizer build checks the virtual destructor
    }
  }
}

}  // namespace
