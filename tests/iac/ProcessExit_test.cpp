// A client that keeps its controllers in a static object: their goodbye to
// the server runs while the process exits, after the library's own
// thread-local and static state may already be gone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "iac/InternetAccessControllers.h"
#include "tests/common/ReferenceServer.h"

namespace {

class NoProxy : public ProxyAuthenticator {
 public:
  CString GetProxyUserName() override { return ""; }
  CString GetProxyPassword() override { return ""; }
};

TEST(ProcessExit, StaticRegistrySaysGoodbyeWhileTheProcessExits) {
  ReferenceServer server;
  ::setenv("no_proxy", "*", 1);
  EXPECT_EXIT(
      {
        // Made before any transfer, so destroyed after everything the
        // first transfer sets up.
        static NoProxy proxy;
        static InternetAccessControllers registry(proxy);
        CString url = server.ServletAs("demo", "demo").c_str();
        InternetAccessController& controller = registry.GetInternetAccessController(url);
        std::exit(controller.TestConnection(controller) ? 0 : 2);
      },
      // A failed goodbye would show its failure text.
      ::testing::ExitedWithCode(0), ::testing::IsEmpty());
}

}  // namespace
