#include "web/RegisterData.h"

#include <filesystem>
#include <sstream>
#include <system_error>
#include <utility>

#include "bundle/BundledData.h"
#include "bundle/JavaBridgeFiles.h"
#include "java/JavaControllerWrapper.h"
#include "java/LUXQuery.h"
#include "platform/DiagnosticSink.h"
#include "support/BugException.h"
#include "support/JavaControllerException.h"

RegisterData::RegisterData(std::string servletUrl, std::string styleSheet)
    : servletUrl_(std::move(servletUrl)), styleSheet_(std::move(styleSheet)) {}

RegisterData::~RegisterData() {
  if (bridge_) bridge_->Uninitialize();
}

bool RegisterData::Start(std::string& note) {
  if (bridge_) return true;
  if (!startFailure_.empty()) {
    note = startFailure_;
    return false;
  }
  const std::string home = JavaBridgeFiles::JavaHome();
  const std::string jar = JavaBridgeFiles::TrellisJar();
  std::error_code error;
  if (!JavaBridgeFiles::HasJvm(home)) {
    startFailure_ = "No Java runtime here (" + home + "): the register data cannot be shown.";
  } else if (jar.empty() ||
             !std::filesystem::exists(BundledData::ProgramFolder() / "Trellis.dll", error)) {
    startFailure_ = "The Java bridge (Trellis.dll, trellis.jar) is not installed beside sorrel: "
                    "the register data cannot be shown.";
  }
  if (startFailure_.empty()) {
    JavaBridgeFiles::Prepare(servletUrl_);
    auto bridge = std::make_unique<JavaControllerWrapper>();
    CString javaHome = home, classPath = jar, libraryPath;
    bridge->SetJavaHome(javaHome);
    bridge->SetClassPath(classPath);
    bridge->SetLibraryPath(libraryPath);
    try {
      bridge->Initialize();
      bridge_ = std::move(bridge);
    } catch (JavaControllerException* e) {
      startFailure_ = "The Java bridge did not start: " + e->GetMessageA().str();
      delete e;
    }
  }
  if (bridge_) return true;
  ReportDiagnostic(DiagnosticLevel::kDebug, ("(RegisterData) " + startFailure_).c_str());
  note = startFailure_;
  return false;
}

bool RegisterData::Fetch(const std::string& number, std::string& xhtml, std::string& note) {
  std::istringstream parts(number);
  std::string country, digits, kind;
  if (!(parts >> country >> digits >> kind)) {
    note = "\"" + number + "\" is not a publication number of the form CC NUMBER KIND.";
    return false;
  }
  if (!Start(note)) return false;
  LUXQuery query;
  query.SetSearchType(LUXQuery::PUBLICATION_NUMBER);
  query.SetPatentCountry(country);
  query.SetPatentNumber(digits);
  query.SetPatentKind(kind);
  query.SetBibliographicDataRetrievalEnabled(true);
  query.SetFamilyDataRetrievalEnabled(true);
  query.SetLegalStatusDataRetrievalEnabled(true);
  try {
    CString xml, sheet = styleSheet_, parameters, rendered, warnings;
    bridge_->GetXmlData(query, xml);
    bridge_->XmlToXhtml(xml, sheet, parameters, rendered, warnings);
    xhtml = rendered.str();
    return true;
  } catch (JavaControllerException* e) {
    note = "No register data for " + number + ": " + e->GetMessageA().str();
    delete e;
  } catch (BugException* e) {
    note = "Trellis.dll is not the expected library: " + std::string(e->GetMessageA().c_str());
    delete e;
  }
  ReportDiagnostic(DiagnosticLevel::kDebug, ("(RegisterData) " + note).c_str());
  return false;
}
