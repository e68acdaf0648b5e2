#include "net/WebUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(WebUtil, ParseUrlTakesValidUrlsApart) {
  struct Case {
    const char* url;
    DWORD service;
    const char* host;
    WORD port;
    const char* object;
    const char* user;
    const char* password;
  } cases[] = {
      {"http://host", 3, "host", 80, "/", "", ""},
      {"http://host:8080/a/b?c=d#e", 3, "host", 8080, "/a/b?c=d#e", "", ""},
      {"HTTPS://u:p@host/x", 4107, "host", 443, "/x", "u", "p"},
      {"https://user@host:1/", 4107, "host", 1, "/", "user", ""},
      {"http://u:p@ss@host/", 3, "host", 80, "/", "u", "p@ss"},  // the last @ ends the user part
      {"http://host?q", 3, "host", 80, "/?q", "", ""},
      {"http://[::1]:65535/", 3, "[::1]", 65535, "/", "", ""},
      {"ftp://files.example/pub", 1, "files.example", 21, "/pub", "",
       ""},  // the transport refuses it
      {"gopher://g/", 2, "g", 70, "/", "", ""},
      {"mailto:someone@example", AFX_INET_SERVICE_MAILTO, "", 0, "someone@example", "", ""},
      {"file:///tmp/x", AFX_INET_SERVICE_FILE, "", 0, "/tmp/x", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(WebUtil::IsValidUrl(c.url)) << c.url;
    const ParsedUrl parsed = WebUtil::ParseUrl(c.url);
    EXPECT_EQ(parsed.serviceType, c.service) << c.url;
    EXPECT_EQ(parsed.serverName, c.host) << c.url;
    EXPECT_EQ(parsed.port, c.port) << c.url;
    EXPECT_EQ(parsed.object, c.object) << c.url;
    EXPECT_EQ(parsed.userName, c.user) << c.url;
    EXPECT_EQ(parsed.password, c.password) << c.url;
  }
}

TEST(WebUtil, RejectsUrlsWithoutAKnownSchemeAHostOrAPortInRange) {
  for (const char* url : {"", "plain words", "host/path", "unknown://host/", "http:host", "http://",
                          "http://host:/", "http://host:65536/", "http://host:8a/"}) {
    EXPECT_FALSE(WebUtil::IsValidUrl(url)) << url;
    const ParsedUrl parsed = WebUtil::ParseUrl(url);
    EXPECT_EQ(parsed.serviceType, AFX_INET_SERVICE_UNK) << url;
    EXPECT_EQ(parsed.serverName, "") << url;
  }
}

TEST(WebUtil, BuildersAlwaysWriteThePort) {
  ParsedUrl parsed = WebUtil::ParseUrl("http://host/servlet?x");
  EXPECT_EQ(WebUtil::BuildUnauthenticatedUrl(parsed), "http://host:80/servlet?x");
  parsed = WebUtil::ParseUrl("https://us er:p:w@host/p");
  EXPECT_EQ(WebUtil::BuildAuthenticatedUrl(parsed), "https://us er:p:w@host:443/p");
  EXPECT_EQ(WebUtil::GetServiceAsString(1), "http");  // for any other service than https
}

}  // namespace
