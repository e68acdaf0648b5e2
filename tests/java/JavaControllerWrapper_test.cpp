#include "java/JavaControllerWrapper.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

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
// The Java virtual machine relies on its own SIGSEGV handler (implicit null
// checks, safepoints), so the sanitizer leaves that signal to it. LeakSanitizer
// can neither scan the machine's threads' thread-local storage nor see the Java
// heap, so native memory held only from there is reported from the machine's
// libraries: those reports are suppressed; a leak of the bridge itself is not.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:allow_user_segv_handler=1";
}
extern "C" const char* __lsan_default_options() { return "use_tls=0"; }
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libjvm.so\nleak:libjli.so\nleak:libjava.so\nleak:libzip.so\nleak:libnio.so\n"
         "leak:libnet.so\nleak:libz.so\n"
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

std::string Get(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Each test starts from the process's PATH, without JAVA_HOME and
// TRELLIS_SERVER_URL, and leaves them so.
class JavaBridgeTest : public ::testing::Test {
 protected:
  JavaBridgeTest() {
    environment_.Set("PATH", path_).Clear("JAVA_HOME").Clear("TRELLIS_SERVER_URL");
  }

  // Makes and initializes a bridge for the jar of the build and `javaHome`,
  // with "Trellis.dll" reachable through PATH only, as a client installs it,
  // and the register server as the search server.
  void Start(const std::string& trellisDir = TRELLIS_DIR, const char* javaHome = SORREL_JAVA_HOME) {
    environment_.Set("PATH", trellisDir + ":" + path_);
    environment_.Set("TRELLIS_SERVER_URL", server_.SearchUrl());
    bridge_ = std::make_unique<JavaControllerWrapper>();
    CString home = javaHome, classPath = TRELLIS_JAR, libraryPath = "";
    bridge_->SetJavaHome(home);
    bridge_->SetClassPath(classPath);
    bridge_->SetLibraryPath(libraryPath);
    bridge_->Initialize();
  }

  // A search for the publication EP `number` A1 and the parts asked for.
  static LUXQuery Query(const char* number, bool biblio, bool family, bool legal) {
    LUXQuery query;
    query.SetPatentCountry("EP");
    query.SetPatentNumber(number);
    query.SetPatentKind("A1");
    query.SetBibliographicDataRetrievalEnabled(biblio);
    query.SetFamilyDataRetrievalEnabled(family);
    query.SetLegalStatusDataRetrievalEnabled(legal);
    return query;
  }
  // The bridge's answer to that search.
  std::string Fetch(const char* number, bool biblio, bool family, bool legal) {
    LUXQuery query = Query(number, biblio, family, legal);
    CString result;
    bridge_->GetXmlData(query, result);
    return result.str();
  }

  const std::string path_ = Get("PATH");
  ScopedEnvironment environment_;
  RegisterServer server_{SORREL_TEST_DATA_DIR "/java/EP1000000A1.xml"};
  std::unique_ptr<JavaControllerWrapper> bridge_;
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
  // The loader's failure reaches the log at debug level, then the error itself.
  for (const char* line :
       {"DEBUG [", "] Last error : #126\r\n", "ERROR [", "] Trellis.dll not found.\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
  }
}

TEST_F(JavaBridgeTest, MachineThatCannotStartIsReported) {
  if (void* jvm = dlopen("libjvm.so", RTLD_NOW | RTLD_NOLOAD)) {
    dlclose(jvm);
    GTEST_SKIP() << "this process already runs a Java virtual machine, which is joined";
  }
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { Start(TRELLIS_DIR, "/nonexistent-jdk"); }),
            "No Java virtual machine under JAVA_HOME /nonexistent-jdk (lib/server/libjvm.so is "
            "missing)");
  EXPECT_FALSE(bridge_->IsInitialized());
}

TEST_F(JavaBridgeTest, LibraryWithoutAnExportGivesBugExceptionAndSlotTwoAloneIsReported) {
  Start(PARTIAL_TRELLIS_DIR);
  EXPECT_TRUE(bridge_->IsInitialized());
  LUXQuery query = Query("1000000", true, true, true);
  CString result = "untouched", host = "proxy.invalid", none;
  EXPECT_EQ(MessageOf<BugException>([&] { bridge_->GetXmlData(query, result); }),
            "Exported function not found.");
  EXPECT_EQ(result, CString("untouched"));
  EXPECT_EQ(MessageOf<JavaControllerException>(
                [&] { bridge_->SetProxySettings(host, 8080, none, none); }),
            "Proxy refused: proxy.invalid");
  bridge_->Uninitialize();
}

TEST_F(JavaBridgeTest, QueryReturnsTheServersDocumentForTheAskedParts) {
  Start();
  struct Case {
    bool biblio, family, legal;
    const char* query;  // what the server must receive
  } cases[] = {
      {true, true, true, "country=EP&number=1000000&kind=A1&biblio=1&family=1&legal=1"},
      {true, false, false, "country=EP&number=1000000&kind=A1&biblio=1"},
      {false, true, true, "country=EP&number=1000000&kind=A1&family=1&legal=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(Fetch("1000000", c.biblio, c.family, c.legal),
              server_.Answer(c.biblio, c.family, c.legal));
    EXPECT_EQ(server_.Requests().back().target, std::string("/sorrel/register?") + c.query);
  }
  // A thread that the machine does not know is attached for the call.
  std::string fromThread;
  std::thread([&] { fromThread = Fetch("1000000", false, true, false); }).join();
  EXPECT_EQ(fromThread, server_.Answer(false, true, false));

  // The reference search server, read from the environment at this call,
  // answers with each part that tests/server/data/small holds for EP 1 A1.
  ReferenceServer reference;
  environment_.Set("TRELLIS_SERVER_URL", reference.Servlet());
  const std::string xml = Fetch("1", true, true, true);
  for (const char* part :
       {"Solar cell for roof mounting", "country=\"US\" number=\"5000001\" kind=\"B1\"",
        "Publication of the application"})
    EXPECT_NE(xml.find(part), std::string::npos) << part << " not in " << xml;
}

TEST_F(JavaBridgeTest, JavaFailuresBecomeExceptionsLeavingOutputsUntouchedAndInitializeRepeats) {
  Start();
  bridge_->Initialize();  // joins the machine already running
  LUXQuery missing = Query("9999999", true, false, false);
  LUXQuery byApplication = Query("1000000", true, false, false);
  byApplication.SetSearchType(LUXQuery::APPLICATION_NUMBER);
  CString result = "untouched", host = "127.0.0.1", none, xml = "<a/>", sheet = "/nonexistent.xsl",
          xhtml = "x", warnings = "w";
  const std::pair<std::function<void()>, const char*> failures[] = {
      {[&] { bridge_->GetXmlData(missing, result); }, "Patent EP 9999999 A1 not found"},
      {[&] { bridge_->GetXmlData(byApplication, result); }, "Search type 1 is not supported"},
      {[&] { bridge_->SetProxySettings(host, 0, none, none); }, "Invalid proxy port: 0"},
      {[&] { bridge_->XmlToXhtml(xml, sheet, none, xhtml, warnings); },
       "Style sheet not found: /nonexistent.xsl"},
  };
  for (const auto& [call, message] : failures)
    EXPECT_EQ(MessageOf<JavaControllerException>(call), message);
  EXPECT_EQ(result, CString("untouched"));
  EXPECT_EQ(xhtml, CString("x"));
  EXPECT_EQ(warnings, CString("w"));
  environment_.Clear("TRELLIS_SERVER_URL");
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { bridge_->GetXmlData(missing, result); }),
            "TRELLIS_SERVER_URL is not set: the search server's address is unknown");

  environment_.Set("TRELLIS_SERVER_URL", server_.SearchUrl());
  bridge_->Uninitialize();
  bridge_->Uninitialize();
  EXPECT_TRUE(bridge_->IsInitialized());  // the machine still runs
  EXPECT_EQ(MessageOf<JavaControllerException>([&] { Fetch("1000000", true, false, false); }),
            "Unexpected error while calling Trellis_getXmlData function.");
  bridge_->Initialize();
  EXPECT_EQ(Fetch("1000000", true, false, false), server_.Answer(true, false, false));
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
  Start();
  CString host = "127.0.0.1", user = "sorrel", password = "s3cret", wrong = "wrong", none;
  bridge_->SetProxySettings(host, proxy.Port(), user, password);
  EXPECT_EQ(Fetch("1000000", true, true, true), server_.Answer(true, true, true));
  EXPECT_GT(forwarded(), 0u) << proxy.Log();

  bridge_->SetProxySettings(host, proxy.Port(), user, wrong);
  const std::string refused =
      MessageOf<JavaControllerException>([&] { Fetch("1000000", true, true, true); });
  const std::string expected =
      "Cannot reach http://127.0.0.1:" + std::to_string(server_.Port()) + "/sorrel/register?";
  EXPECT_EQ(refused.rfind(expected, 0), 0u) << refused;

  bridge_->SetProxySettings(none, 0, none, none);  // back to direct connections
  const size_t before = server_.Requests().size(), viaProxy = forwarded();
  Fetch("1000000", true, true, true);
  EXPECT_EQ(server_.Requests().size(), before + 1);
  EXPECT_EQ(forwarded(), viaProxy);
}

TEST_F(JavaBridgeTest, StyleSheetTurnsTheRegisterIntoXhtmlAndRefusesExternalEntities) {
  TempDir dir;
  WriteBytes(dir.File("secret.txt"), "SECRET");
  WriteBytes(dir.File("family.xsl"), R"xsl(
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns="http://www.w3.org/1999/xhtml">
  <xsl:output method="xml" encoding="UTF-8" omit-xml-declaration="yes"/>
  <xsl:param name="heading" select="'none'"/>
  <xsl:template match="/patent"><html><body><h1><xsl:value-of select="$heading"/></h1>
    <ul><xsl:for-each select="family/member">
      <li><xsl:value-of select="concat(@country, @number, @kind)"/></li></xsl:for-each></ul>
    <p><xsl:value-of select="biblio/applicant"/></p></body></html></xsl:template>
</xsl:stylesheet>)xsl");
  Start();
  CString xml = server_.Answer(true, true, false), sheet = dir.File("family.xsl").c_str(),
          parameters = "heading=Family of EP 1000000\n", xhtml, warnings = "stale";
  bridge_->XmlToXhtml(xml, sheet, parameters, xhtml, warnings);
  EXPECT_EQ(xhtml.str(),
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><h1>Family of EP 1000000</h1>"
            "<ul><li>EP1000000A1</li><li>US6167637A</li><li>JP2000146401A</li></ul>"
            "<p>Société Générale des Séchoirs</p></body></html>");
  EXPECT_EQ(warnings, CString(""));

  // A document that declares an external entity is refused, not expanded.
  CString hostile =
      ("<?xml version=\"1.0\"?><!DOCTYPE patent [<!ENTITY s SYSTEM \"file://" +
       dir.File("secret.txt") + "\">]><patent><biblio><applicant>&s;</applicant></biblio></patent>")
          .c_str();
  xhtml = "untouched";
  const std::string refused = MessageOf<JavaControllerException>(
      [&] { bridge_->XmlToXhtml(hostile, sheet, parameters, xhtml, warnings); });
  EXPECT_NE(refused.find("DOCTYPE"), std::string::npos) << refused;
  EXPECT_EQ(xhtml, CString("untouched"));
}

}  // namespace
