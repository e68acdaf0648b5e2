#include "java/JavaControllerWrapper.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "support/BugException.h"
#include "support/JavaControllerException.h"
#include "support/Logger.h"
#include "tests/common/ReferenceServer.h"
#include "tests/common/TempDir.h"
#include "tests/java/RegisterServer.h"
#include "tests/servers/ScopedEnvironment.h"
#include "tests/servers/TinyProxy.h"

#ifdef __has_feature
#if __has_feature(address_sanitizer)
// The Java virtual machine sharing this process with AddressSanitizer: the
// machine relies on its own SIGSEGV handler (implicit null checks,
// safepoints), so the sanitizer leaves that signal to it. LeakSanitizer
// cannot scan the machine's threads' thread-local storage without crashing,
// and it cannot see the Java heap, so native memory that only Java objects or
// thread-local data point to is reported from the machine's libraries and
// what they allocate through; those reports are suppressed. A leak of the
// bridge itself (an error text not deleted, say) is still found.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:allow_user_segv_handler=1";
}
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libjvm.so\n"
         "leak:libjli.so\n"
         "leak:libjava.so\n"
         "leak:libzip.so\n"
         "leak:libnio.so\n"
         "leak:libnet.so\n"
         "leak:libz.so\n"
         "leak:libcrypto.so\n"          // OpenSSL's per-thread state
         "leak:add_to_global_resize\n"  // the loader's scope list
         "leak:_dlerror_run\n"          // the thread's dlerror text
         "leak:_dl_exception_create\n";
}
#endif
#endif

namespace {

// Runs `call` and answers the message of the exception of type E that it
// throws, deleting it; fails the test when it throws nothing.
template <typename E, typename Call>
std::string MessageOf(Call call) {
  try {
    call();
  } catch (E* e) {
    std::string message = e->GetMessageA().str();
    delete e;
    return message;
  }
  ADD_FAILURE() << "nothing thrown";
  return {};
}

// Each test starts from the process's PATH, without JAVA_HOME and
// TRELLIS_SERVER_URL, and leaves them so.
class JavaBridgeTest : public ::testing::Test {
 protected:
  JavaBridgeTest() {
    environment_.Set("PATH", path_).Clear("JAVA_HOME").Clear("TRELLIS_SERVER_URL");
  }
  static std::string Get(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
  }

  // A bridge set up for the JDK and jar of the build, with "Trellis.dll"
  // reachable through PATH only, as a client installs it.
  std::unique_ptr<JavaControllerWrapper> Bridge(const std::string& trellisDir = TRELLIS_DIR) {
    environment_.Set("PATH", trellisDir + ":" + path_);
    auto bridge = std::make_unique<JavaControllerWrapper>();
    CString home = SORREL_JAVA_HOME, classPath = TRELLIS_JAR, libraryPath = "";
    bridge->SetJavaHome(home);
    bridge->SetClassPath(classPath);
    bridge->SetLibraryPath(libraryPath);
    return bridge;
  }
  void UseRegisterServer() { environment_.Set("TRELLIS_SERVER_URL", server_.SearchUrl()); }

  static LUXQuery Query(const char* country, const char* number, const char* kind, bool biblio,
                        bool family, bool legal) {
    LUXQuery query;
    query.SetSearchType(LUXQuery::PUBLICATION_NUMBER);
    query.SetPatentCountry(country);
    query.SetPatentNumber(number);
    query.SetPatentKind(kind);
    query.SetBibliographicDataRetrievalEnabled(biblio);
    query.SetFamilyDataRetrievalEnabled(family);
    query.SetLegalStatusDataRetrievalEnabled(legal);
    return query;
  }

  const std::string path_ = Get("PATH");
  ScopedEnvironment environment_;
  RegisterServer server_{SORREL_TEST_DATA_DIR "/java/EP1000000A1.xml"};
};

TEST_F(JavaBridgeTest, MissingLibraryLeavesTheBridgeUninitializedAfterSettingTheEnvironment) {
  TempDir logs;
  WriteBytes(logs.File("client.ini"), "[OPTION]\r\nDebug=1\r\n");
  Logger::initialize(logs.File("client.ini").c_str(), logs.path().c_str());
  environment_.Set("PATH", "/w");
  {
    JavaControllerWrapper bridge;
    CString home = "/jre";
    bridge.SetJavaHome(home);
    testing::internal::CaptureStdout();
    EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge.Initialize(); }),
              "Trellis.dll not found");
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(bridge.IsInitialized());
    EXPECT_EQ(Get("PATH"), "/jre/bin/client:/jre/bin:/w");
    EXPECT_EQ(Get("JAVA_HOME"), "/jre");
  }
  const std::string log = ReadBytes(logs.File("kernel.log"));
  Logger::uninitialize();
  Logger::initialize("", "");
  for (const char* line : {"DEBUG [", "] Java Home: /jre\r\n", "] PATH is : /w\r\n",
                           "] PATH is now : /jre/bin/client:/jre/bin:/w\r\n",
                           "] Last error : #126\r\n", "ERROR [", "] Trellis.dll not found.\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
  }
}

TEST_F(JavaBridgeTest, LibraryWithoutAnExportGivesBugExceptionAndSlotTwoAloneIsReported) {
  auto bridge = Bridge(PARTIAL_TRELLIS_DIR);
  bridge->Initialize();
  EXPECT_TRUE(bridge->IsInitialized());
  LUXQuery query = Query("EP", "1000000", "A1", true, true, true);
  CString result = "untouched";
  EXPECT_EQ(MessageOf<BugException>([&] { bridge->GetXmlData(query, result); }),
            "Exported function not found.");
  EXPECT_EQ(result, CString("untouched"));
  CString host = "proxy.invalid", user, password;
  EXPECT_EQ(MessageOf<JavaControllerException>(
                [&] { bridge->SetProxySettings(host, 8080, user, password); }),
            "Proxy refused: proxy.invalid");
  bridge->Uninitialize();
}

TEST_F(JavaBridgeTest, QueryReturnsTheServersDocumentForTheAskedParts) {
  UseRegisterServer();
  auto bridge = Bridge();
  bridge->Initialize();
  ASSERT_TRUE(bridge->IsInitialized());
  struct Case {
    bool biblio, family, legal;
    const char* query;  // what the server must receive
  } cases[] = {
      {true, true, true, "country=EP&number=1000000&kind=A1&biblio=1&family=1&legal=1"},
      {true, false, false, "country=EP&number=1000000&kind=A1&biblio=1"},
      {false, true, true, "country=EP&number=1000000&kind=A1&family=1&legal=1"},
  };
  for (const Case& c : cases) {
    LUXQuery query = Query("EP", "1000000", "A1", c.biblio, c.family, c.legal);
    CString result;
    bridge->GetXmlData(query, result);
    EXPECT_EQ(result.str(), server_.Answer(c.biblio, c.family, c.legal)) << c.query;
    EXPECT_EQ(server_.LastQuery(), c.query);
  }
  // A thread that the machine does not know is attached for the call.
  std::string fromThread;
  std::thread([&] {
    LUXQuery query = Query("EP", "1000000", "A1", false, true, false);
    CString result;
    bridge->GetXmlData(query, result);
    fromThread = result.str();
  }).join();
  EXPECT_EQ(fromThread, server_.Answer(false, true, false));
}

TEST_F(JavaBridgeTest, ReferenceSearchServerAnswersWithItsRegisterData) {
  ReferenceServer reference;
  environment_.Set("TRELLIS_SERVER_URL", reference.Servlet());
  auto bridge = Bridge();
  bridge->Initialize();
  ASSERT_TRUE(bridge->IsInitialized());
  LUXQuery query = Query("EP", "1", "A1", true, true, true);
  CString result;
  bridge->GetXmlData(query, result);
  const std::string xml = result.str();
  // Each part that tests/server/data/small holds for EP 1 A1.
  for (const char* part :
       {"Solar cell for roof mounting", "country=\"US\" number=\"5000001\" kind=\"B1\"",
        "Publication of the application"})
    EXPECT_NE(xml.find(part), std::string::npos) << part << " not in " << xml;
}

TEST_F(JavaBridgeTest, JavaFailuresBecomeExceptionsAndLeaveOutputsUntouched) {
  UseRegisterServer();
  auto bridge = Bridge();
  bridge->Initialize();
  CString result = "untouched";
  LUXQuery missing = Query("EP", "9999999", "A1", true, false, false);
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge->GetXmlData(missing, result); }),
            "Patent EP 9999999 A1 not found");
  LUXQuery byApplication = Query("EP", "1000000", "A1", true, false, false);
  byApplication.SetSearchType(LUXQuery::APPLICATION_NUMBER);
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge->GetXmlData(byApplication, result); }),
            "Search type 1 is not supported");
  EXPECT_EQ(result, CString("untouched"));
  CString host = "127.0.0.1", user, password;
  EXPECT_EQ(MessageOf<JavaControllerException>(
                [&] { bridge->SetProxySettings(host, 0, user, password); }),
            "Invalid proxy port: 0");
  CString xml = "<a/>", sheet = "/nonexistent.xsl", parameters, xhtml = "x", warnings = "w";
  EXPECT_EQ(MessageOf<JavaControllerException>(
                [&] { bridge->XmlToXhtml(xml, sheet, parameters, xhtml, warnings); }),
            "Style sheet not found: /nonexistent.xsl");
  EXPECT_EQ(xhtml, CString("x"));
  environment_.Clear("TRELLIS_SERVER_URL");
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge->GetXmlData(missing, result); }),
            "TRELLIS_SERVER_URL is not set: the search server's address is unknown");
}

TEST_F(JavaBridgeTest, InitializeRepeatsAndUninitializeTwiceDoesNothingMore) {
  UseRegisterServer();
  auto bridge = Bridge();
  bridge->Initialize();
  bridge->Initialize();  // joins the machine already running
  EXPECT_TRUE(bridge->IsInitialized());
  bridge->Uninitialize();
  bridge->Uninitialize();
  EXPECT_TRUE(bridge->IsInitialized());  // the machine still runs
  LUXQuery query = Query("EP", "1000000", "A1", true, false, false);
  CString result;
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge->GetXmlData(query, result); }),
            "Unexpected error while calling Trellis_getXmlData function.");
  bridge->Initialize();
  bridge->GetXmlData(query, result);
  EXPECT_EQ(result.str(), server_.Answer(true, false, false));
}

TEST_F(JavaBridgeTest, MachineThatCannotStartIsReported) {
  if (void* jvm = dlopen("libjvm.so", RTLD_NOW | RTLD_NOLOAD)) {
    dlclose(jvm);
    GTEST_SKIP() << "this process already runs a Java virtual machine, which is joined";
  }
  auto bridge = Bridge();
  CString home = "/nonexistent-jdk";
  bridge->SetJavaHome(home);
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge->Initialize(); }),
            "No Java virtual machine under JAVA_HOME /nonexistent-jdk (lib/server/libjvm.so is "
            "missing)");
  EXPECT_FALSE(bridge->IsInitialized());
}

TEST_F(JavaBridgeTest, QueryGoesThroughAProxyThatDemandsCredentials) {
  if (!TinyProxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
  TinyProxy proxy("sorrel", "s3cret");
  // The requests that reached the proxy, as its log names them.
  const auto forwarded = [&] {
    const std::string log = proxy.Log();
    size_t count = 0;
    for (size_t at = log.find("/sorrel/register?"); at != std::string::npos;
         at = log.find("/sorrel/register?", at + 1))
      ++count;
    return count;
  };
  UseRegisterServer();
  auto bridge = Bridge();
  bridge->Initialize();
  CString host = "127.0.0.1", user = "sorrel", password = "s3cret", wrong = "wrong";
  bridge->SetProxySettings(host, proxy.Port(), user, password);
  LUXQuery query = Query("EP", "1000000", "A1", true, true, true);
  CString result;
  bridge->GetXmlData(query, result);
  EXPECT_EQ(result.str(), server_.Answer(true, true, true));
  EXPECT_GT(forwarded(), 0u) << proxy.Log();

  bridge->SetProxySettings(host, proxy.Port(), user, wrong);
  const std::string refused =
      MessageOf<JavaControllerException>([&] { bridge->GetXmlData(query, result); });
  const std::string expected =
      "Cannot reach http://127.0.0.1:" + std::to_string(server_.Port()) + "/sorrel/register?";
  EXPECT_EQ(refused.rfind(expected, 0), 0u) << refused;

  CString none, empty;
  bridge->SetProxySettings(none, 0, empty, empty);  // back to direct connections
  const size_t before = server_.Requests().size();
  const size_t viaProxy = forwarded();
  bridge->GetXmlData(query, result);
  EXPECT_EQ(server_.Requests().size(), before + 1);
  EXPECT_EQ(forwarded(), viaProxy);
}

TEST_F(JavaBridgeTest, StyleSheetTurnsTheRegisterIntoXhtml) {
  TempDir dir;
  WriteBytes(dir.File("secret.txt"), "SECRET");
  WriteBytes(dir.File("family.xsl"), R"xsl(<?xml version="1.0"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns="http://www.w3.org/1999/xhtml">
  <xsl:output method="xml" encoding="UTF-8" omit-xml-declaration="yes"/>
  <xsl:param name="heading" select="'none'"/>
  <xsl:template match="/patent">
    <html><body><h1><xsl:value-of select="$heading"/></h1>
      <ul><xsl:for-each select="family/member">
        <li><xsl:value-of select="concat(@country, @number, @kind)"/></li>
      </xsl:for-each></ul>
      <p><xsl:value-of select="biblio/applicant"/></p>
    </body></html>
  </xsl:template>
</xsl:stylesheet>
)xsl");
  auto bridge = Bridge();
  bridge->Initialize();
  CString xml = server_.Answer(true, true, false), sheet = dir.File("family.xsl").c_str(),
          parameters = "heading=Family of EP 1000000\n", xhtml, warnings = "stale";
  bridge->XmlToXhtml(xml, sheet, parameters, xhtml, warnings);
  EXPECT_EQ(xhtml.str(),
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><h1>Family of EP 1000000</h1>"
            "<ul><li>EP1000000A1</li><li>US6167637A</li><li>JP2000146401A</li></ul>"
            "<p>Société Générale des Séchoirs</p></body></html>");
  EXPECT_EQ(warnings, CString(""));

  // A document that declares an external entity is refused, not expanded.
  CString hostile = ("<?xml version=\"1.0\"?><!DOCTYPE patent [<!ENTITY s SYSTEM \"file://" +
                     dir.File("secret.txt") +
                     "\">]><patent><biblio><applicant>&s;</applicant>"
                     "</biblio></patent>")
                        .c_str();
  xhtml = "untouched";
  const std::string refused = MessageOf<JavaControllerException>(
      [&] { bridge->XmlToXhtml(hostile, sheet, parameters, xhtml, warnings); });
  EXPECT_NE(refused.find("DOCTYPE"), std::string::npos) << refused;
  EXPECT_EQ(xhtml, CString("untouched"));
}

}  // namespace
