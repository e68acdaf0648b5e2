#include <cstdio>
#include <cstdlib>
#include <string>

#include "bundle/JavaBridgeFiles.h"
#include "java/JavaControllerWrapper.h"
#include "java/LUXQuery.h"
#include "support/BugException.h"
#include "support/JavaControllerException.h"
#include "tools/CommandRegistry.h"
#include "tools/InputFile.h"

namespace {

struct PatentOptions {
  std::string country;     // e.g. EP
  std::string number;      // e.g. 1000000
  std::string kind;        // e.g. A1
  std::string url;         // the search server's servlet address
  bool biblio = false;     // bibliographic data wanted
  bool family = false;     // family members wanted
  bool legal = false;      // legal-status events wanted
  std::string styleSheet;  // XSLT file for an XHTML rendering, or empty
  std::string javaHome;    // Java runtime; JAVA_HOME or the system's default when empty
  std::string proxy;       // HOST:PORT of an HTTP proxy, or empty
  std::string proxyUser;   // proxy user name, when the proxy asks
};

// The proxy's port from --proxy HOST:PORT; a malformed one is a command-line error.
int ProxyPort(const std::string& proxy) {
  const size_t colon = proxy.rfind(':');
  int port = 0;
  if (colon == std::string::npos || std::sscanf(proxy.c_str() + colon + 1, "%d", &port) != 1) {
    throw CLI::ValidationError("--proxy", "HOST:PORT, not '" + proxy + "'");
  }
  return port;
}

int Fetch(JavaControllerWrapper& bridge, const PatentOptions& options, int port) {
  if (!options.proxy.empty()) {
    const size_t colon = options.proxy.rfind(':');
    // The password comes from the environment, never from the command line,
    // where every user of the machine could read it.
    const char* secret = std::getenv("SORREL_PROXY_PASSWORD");
    CString host = options.proxy.substr(0, colon), user = options.proxyUser,
            password = secret ? secret : "";
    bridge.SetProxySettings(host, port, user, password);
  }
  const bool all = !options.biblio && !options.family && !options.legal;
  LUXQuery query;
  query.SetSearchType(LUXQuery::PUBLICATION_NUMBER);
  query.SetPatentCountry(options.country);
  query.SetPatentNumber(options.number);
  query.SetPatentKind(options.kind);
  query.SetBibliographicDataRetrievalEnabled(all || options.biblio);
  query.SetFamilyDataRetrievalEnabled(all || options.family);
  query.SetLegalStatusDataRetrievalEnabled(all || options.legal);
  CString xml;
  bridge.GetXmlData(query, xml);
  if (options.styleSheet.empty()) {
    std::fwrite(xml.c_str(), 1, static_cast<size_t>(xml.GetLength()), stdout);
    return 0;
  }
  CString sheet = options.styleSheet, parameters, xhtml, warnings;
  bridge.XmlToXhtml(xml, sheet, parameters, xhtml, warnings);
  std::fwrite(xhtml.c_str(), 1, static_cast<size_t>(xhtml.GetLength()), stdout);
  std::fputs("\n", stdout);
  std::fwrite(warnings.c_str(), 1, static_cast<size_t>(warnings.GetLength()), stderr);
  return 0;
}

int Run(const PatentOptions& options) {
  const int proxyPort = options.proxy.empty() ? 0 : ProxyPort(options.proxy);
  const std::string sheetProblem =
      options.styleSheet.empty() ? std::string() : InputFile::Problem(options.styleSheet);
  if (!sheetProblem.empty()) {
    std::fprintf(stderr, "sorrel: %s\n", sheetProblem.c_str());
    return 1;
  }
  const std::string javaHome = JavaBridgeFiles::JavaHome(options.javaHome);
  if (!JavaBridgeFiles::HasJvm(javaHome)) {
    std::fprintf(stderr,
                 "no Java runtime in %s (lib/server/libjvm.so is missing): install "
                 "default-jdk-headless or give --java-home\n",
                 javaHome.c_str());
    return 1;
  }
  // "Trellis.dll" is looked for beside the tool first, then along PATH.
  JavaBridgeFiles::Prepare(options.url);

  JavaControllerWrapper bridge;
  CString home = javaHome, classPath = JavaBridgeFiles::TrellisJar(), libraryPath;
  bridge.SetJavaHome(home);
  bridge.SetClassPath(classPath);
  bridge.SetLibraryPath(libraryPath);
  try {
    bridge.Initialize();
    const int status = Fetch(bridge, options, proxyPort);
    bridge.Uninitialize();
    return status;
  } catch (JavaControllerException* e) {
    std::string message = e->GetMessageA().str();
    delete e;
    if (message == "Trellis.dll not found") message += " beside the sorrel tool nor along PATH";
    std::fprintf(stderr, "%s\n", message.c_str());
  } catch (BugException* e) {
    std::fprintf(stderr, "Trellis.dll is not the expected library: %s\n", e->GetMessageA().c_str());
    delete e;
  }
  return 1;
}

const bool registered = RegisterCommand([](CLI::App& app, int& exitCode) {
  CLI::App* command = app.add_subcommand(
      "patent",
      "Fetch a patent's bibliographic, family and legal-status data through the Java bridge; "
      "prints the server's XML, or its XHTML rendering");
  static PatentOptions options;
  command->add_option("COUNTRY", options.country, "publishing country, e.g. EP")->required();
  command->add_option("NUMBER", options.number, "publication number, e.g. 1000000")->required();
  command->add_option("KIND", options.kind, "kind code, e.g. A1")->required();
  command->add_option("--url", options.url, "address of the search server's servlet")->required();
  command->add_flag("--biblio", options.biblio, "bibliographic data (all parts when none named)");
  command->add_flag("--family", options.family, "family members");
  command->add_flag("--legal", options.legal, "legal-status events");
  command->add_option("--xhtml", options.styleSheet, "XSLT style sheet for an XHTML rendering");
  command->add_option("--java-home", options.javaHome,
                      "Java runtime (default: JAVA_HOME, else /usr/lib/jvm/default-java)");
  command->add_option("--proxy", options.proxy, "HTTP proxy as HOST:PORT");
  command->add_option("--proxy-user", options.proxyUser,
                      "user name for the proxy; the password comes from SORREL_PROXY_PASSWORD");
  command->callback([&exitCode] { exitCode = Run(options); });
});

}  // namespace
