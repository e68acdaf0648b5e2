#include "java/JavaController.h"

#include "java/TrellisController.h"
#include "platform/DiagnosticSink.h"
#include "support/JavaControllerException.h"
#include "support/JniException.h"
#include "support/LibraryException.h"
#include "support/SystemUtil.h"

namespace {

// Runs `call`, turning the internal LibraryException and JniException into
// the JavaControllerException that the client sees, with the same message.
// BugException passes through.
template <typename Call>
void Converting(Call call) {
  try {
    call();
  } catch (LibraryException* e) {
    const CString message = e->GetMessageA();
    delete e;
    throw new JavaControllerException(message);
  } catch (JniException* e) {
    const CString message = e->GetMessageA();
    delete e;
    throw new JavaControllerException(message);
  }
}

}  // namespace

JavaController::JavaController() : trellis_(new TrellisController) {}

JavaController::~JavaController() { delete trellis_; }

bool JavaController::IsInitialized() { return initialized_; }

void JavaController::SetJavaHome(CString& path) { javaHome_ = path; }

void JavaController::SetClassPath(CString& path) { classPath_ = path; }

void JavaController::SetLibraryPath(CString& path) { libraryPath_ = path; }

void JavaController::Initialize() {
  Converting([this] {
    PrepareEnvironment();
    ReportDiagnostic(DiagnosticLevel::kDebug, "Loading Trellis library...");
    trellis_->Load();
    ReportDiagnostic(DiagnosticLevel::kDebug, "Trellis library loaded.");
    ReportDiagnostic(DiagnosticLevel::kDebug, "Starting JVM...");
    trellis_->CreateJVM(classPath_, libraryPath_, &jvm_);
    ReportDiagnostic(DiagnosticLevel::kDebug, "JVM started.");
    initialized_ = true;
  });
}

void JavaController::PrepareEnvironment() {
  if (!SystemUtil::SetEnvironmentVariableA("JAVA_HOME", javaHome_)) {
    ReportDiagnostic(DiagnosticLevel::kDebug, "JAVA_HOME could not be set.");
  }
  ReportDiagnostic(DiagnosticLevel::kDebug, ("Java Home: " + javaHome_).c_str());
  const CString oldPath = SystemUtil::GetEnvironmentVariableA("PATH");
  ReportDiagnostic(DiagnosticLevel::kDebug, ("PATH is : " + oldPath).c_str());
  ReportDiagnostic(DiagnosticLevel::kDebug, "Updating environment variables.");
  // The client folder first, as the runtime's own launcher would search it.
  CString newPath = javaHome_ + "/bin/client:" + javaHome_ + "/bin";
  // An empty entry would stand for the current directory: none is added.
  if (!oldPath.IsEmpty()) newPath += ":" + oldPath;
  if (!SystemUtil::SetEnvironmentVariableA("PATH", newPath)) {
    ReportDiagnostic(DiagnosticLevel::kDebug, "PATH could not be set.");
  }
  const CString pathLine = "PATH is now : " + SystemUtil::GetEnvironmentVariableA("PATH");
  ReportDiagnostic(DiagnosticLevel::kDebug, pathLine.c_str());
}

void JavaController::Uninitialize() {
  Converting([this] { trellis_->Unload(); });
}

void JavaController::SetProxySettings(CString& host, int port, CString& user, CString& password) {
  Converting([&] { trellis_->SetProxySettings(jvm_, host, port, user, password); });
}

void JavaController::GetXmlData(LUXQuery& query, CString& result) {
  Converting([&] {
    CString country = query.GetPatentCountry();
    CString number = query.GetPatentNumber();
    CString kind = query.GetPatentKind();
    trellis_->GetXmlData(jvm_, query.GetSearchType(), country, number, kind,
                         query.IsBibliographicDataRetrievalEnabled(),
                         query.IsFamilyDataRetrievalEnabled(),
                         query.IsLegalStatusDataRetrievalEnabled(), result);
  });
}

void JavaController::XmlToXhtml(CString& text1, CString& text2, CString& text3, CString& text4,
                                CString& text5) {
  Converting([&] { trellis_->XmlToXhtml(jvm_, text1, text2, text3, text4, text5); });
}
