#include "web/WebAccess.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "web/DocumentView.h"

namespace {

using Verdict = WebAccess::Verdict;

TEST(WebAccess, JudgesHostSecretAndOrigin) {
  const std::string secret = WebAccess::NewSecret();
  const WebAccess access(8123, secret);
  const std::string ours = "http://127.0.0.1:8123";
  const std::string cookie = "sorrel_web=" + secret;
  struct Case {
    const char* what;
    WebAccess::Request request;
    Verdict expected;
  };
  const Case cases[] = {
      {"cookie", {"GET", "127.0.0.1:8123", "", cookie, ""}, Verdict::kAllowed},
      {"cookie among others", {"GET", "localhost:8123", "", "a=1; " + cookie + " ;b=2", ""},
       Verdict::kAllowed},
      {"secret in the address", {"GET", "127.0.0.1:8123", "", "", secret}, Verdict::kLetIn},
      {"nothing", {"GET", "127.0.0.1:8123", "", "", ""}, Verdict::kForbidden},
      {"a wrong secret", {"GET", "127.0.0.1:8123", "", "sorrel_web=" + secret + "0", "x"},
       Verdict::kForbidden},
      {"the secret under another name", {"GET", "127.0.0.1:8123", "", "other=" + secret, ""},
       Verdict::kForbidden},
      {"a secret's prefix", {"GET", "127.0.0.1:8123", "", "", secret.substr(0, 31)},
       Verdict::kForbidden},
      {"a rebound name", {"GET", "evil.example:8123", "", cookie, ""}, Verdict::kWrongHost},
      {"another port", {"GET", "127.0.0.1:8124", "", cookie, ""}, Verdict::kWrongHost},
      {"no port", {"GET", "127.0.0.1", "", cookie, ""}, Verdict::kWrongHost},
      {"no Host", {"GET", "", "", cookie, ""}, Verdict::kWrongHost},
      {"POST from the page", {"POST", "127.0.0.1:8123", ours, cookie, ""}, Verdict::kAllowed},
      {"POST from elsewhere", {"POST", "127.0.0.1:8123", "http://evil.example", cookie, ""},
       Verdict::kForeignOrigin},
      {"POST without Origin", {"POST", "127.0.0.1:8123", "", cookie, ""}, Verdict::kForeignOrigin},
      {"POST from localhost to 127.0.0.1", {"POST", "127.0.0.1:8123", "http://localhost:8123",
       cookie, ""}, Verdict::kForeignOrigin},
      {"POST with the secret in the address only", {"POST", "127.0.0.1:8123", ours, "", secret},
       Verdict::kForbidden},
  };
  for (const Case& c : cases) EXPECT_EQ(access.Judge(c.request), c.expected) << c.what;
}

TEST(WebAccess, SecretsAreFreshHexAndTheCookieIsStrict) {
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string secret = WebAccess::NewSecret();
    EXPECT_EQ(secret.size(), 32u);
    EXPECT_EQ(secret.find_first_not_of("0123456789abcdef"), std::string::npos);
    seen.insert(secret);
  }
  EXPECT_EQ(seen.size(), 50u);
  const WebAccess access(9000, "abc");
  for (const char* part : {"sorrel_web=abc", "HttpOnly", "SameSite=Strict", "Path=/"}) {
    EXPECT_NE(access.Cookie().find(part), std::string::npos) << part;
  }
  EXPECT_EQ(access.Address(), "http://127.0.0.1:9000/?k=abc");
}

TEST(DocumentView, PutsTheStyleSheetAfterTheDeclaration) {
  struct Case {
    const char* xml;
    const char* sheet;
    const char* expected;
  };
  const Case cases[] = {
      {"<?xml version=\"1.0\"?>\n<A/>", "p.css",
       "<?xml version=\"1.0\"?>\n<?xml-stylesheet type=\"text/css\" href=\"p.css\"?>\n<A/>"},
      {"<A/>", "p.css", "<?xml-stylesheet type=\"text/css\" href=\"p.css\"?>\n<A/>"},
      {"<A/>", "", "<A/>"},
      {"<A/>", "a\"<&b.css", "<?xml-stylesheet type=\"text/css\" href=\"ab.css\"?>\n<A/>"},
  };
  for (const Case& c : cases) EXPECT_EQ(DocumentView::Styled(c.xml, c.sheet), c.expected);
}

}  // namespace
