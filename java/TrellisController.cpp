#include "java/TrellisController.h"

#include "platform/DiagnosticSink.h"
#include "platform/LastError.h"
#include "support/BugException.h"
#include "support/JniException.h"
#include "support/LibraryException.h"

namespace {

// The four exports of "Trellis.dll". An error slot is the address of a
// CString* that the caller sets to null and the callee may set to a CString
// made with new, which the caller deletes.
using CreateJvmFunction = void (*)(CString* classPath, CString* libraryPath, void** jvm,
                                   CString** error);
using SetProxySettingsFunction = void (*)(void* jvm, CString** error1, CString** error2,
                                          CString* host, int port, CString* user,
                                          CString* password);
using GetXmlDataFunction = void (*)(void* jvm, CString** error1, CString** error2, int searchType,
                                    CString* country, CString* number, CString* kind,
                                    bool bibliographic, bool family, bool legalStatus,
                                    CString* result);
using XmlToXhtmlFunction = void (*)(void* jvm, CString** error1, CString** error2, CString* text1,
                                    CString* text2, CString* text3, CString* text4, CString* text5);

// The error slots of one call. Both texts are released whichever is thrown.
class ErrorSlots {
 public:
  ErrorSlots() = default;
  ~ErrorSlots() {
    delete first;
    delete second;
  }
  ErrorSlots(const ErrorSlots&) = delete;
  ErrorSlots& operator=(const ErrorSlots&) = delete;

  // Throws JniException with the first slot's text, else the second's.
  void ThrowIfSet() const {
    if (first) throw new JniException(*first);
    if (second) throw new JniException(*second);
  }

  CString* first = nullptr;
  CString* second = nullptr;
};

}  // namespace

TrellisController::TrellisController() = default;

TrellisController::~TrellisController() = default;

void TrellisController::Load() {
  HMODULE loaded = LoadLibraryA("Trellis.dll");
  if (!loaded) ThrowLibraryError("Trellis.dll failed to load.");
  // A repeated load keeps one reference only, so that one Unload releases it.
  if (module_ && !FreeLibrary(module_)) {
    ReportDiagnostic(DiagnosticLevel::kDebug,
                     "The previous reference to Trellis.dll could not be released.");
  }
  module_ = loaded;
}

void TrellisController::Unload() {
  if (!module_) return;
  if (!FreeLibrary(module_)) ThrowLibraryError("Trellis.dll failed to unload.");
  module_ = nullptr;
}

void TrellisController::CreateJVM(CString& classPath, CString& libraryPath, void** jvm) {
  auto create = reinterpret_cast<CreateJvmFunction>(
      Export("Trellis_CreateJVM", "Unexpected error while calling Trellis_CreateJVM function."));
  ReportDiagnostic(DiagnosticLevel::kDebug, ("Class path:" + classPath).c_str());
  ReportDiagnostic(DiagnosticLevel::kDebug, ("Library path:" + libraryPath).c_str());
  ErrorSlots errors;
  create(&classPath, &libraryPath, jvm, &errors.first);
  errors.ThrowIfSet();
}

void TrellisController::SetProxySettings(void* jvm, CString& host, int port, CString& user,
                                         CString& password) {
  auto setProxy = reinterpret_cast<SetProxySettingsFunction>(
      Export("Trellis_setProxySettings",
             "Unexpected error while calling Trellis_setProxySettings function."));
  ErrorSlots errors;
  setProxy(jvm, &errors.first, &errors.second, &host, port, &user, &password);
  errors.ThrowIfSet();
}

void TrellisController::GetXmlData(void* jvm, int searchType, CString& country, CString& number,
                                   CString& kind, bool bibliographic, bool family, bool legalStatus,
                                   CString& result) {
  auto getXmlData = reinterpret_cast<GetXmlDataFunction>(
      Export("Trellis_getXmlData", "Unexpected error while calling Trellis_getXmlData function."));
  ErrorSlots errors;
  getXmlData(jvm, &errors.first, &errors.second, searchType, &country, &number, &kind,
             bibliographic, family, legalStatus, &result);
  errors.ThrowIfSet();
}

void TrellisController::XmlToXhtml(void* jvm, CString& text1, CString& text2, CString& text3,
                                   CString& text4, CString& text5) {
  auto xmlToXhtml = reinterpret_cast<XmlToXhtmlFunction>(
      Export("Trellis_xmlToXhtml", "Unexpected error while calling Trellis_xmlToXhtml function."));
  ErrorSlots errors;
  xmlToXhtml(jvm, &errors.first, &errors.second, &text1, &text2, &text3, &text4, &text5);
  errors.ThrowIfSet();
}

FARPROC TrellisController::Export(const char* name, const char* failureMessage) {
  FARPROC function = GetProcAddress(module_, name);
  if (!function) ThrowLibraryError(failureMessage);
  return function;
}

void TrellisController::ThrowLibraryError(const CString& message) {
  const DWORD code = GetLastError();
  CString line;
  line.Format("Last error : #%u", code);
  ReportDiagnostic(DiagnosticLevel::kDebug, line.c_str());
  if (code == ERROR_MOD_NOT_FOUND) {
    ReportDiagnostic(DiagnosticLevel::kError, "Trellis.dll not found.");
    throw new LibraryException("Trellis.dll not found");
  }
  if (code == ERROR_PROC_NOT_FOUND) {
    ReportDiagnostic(DiagnosticLevel::kError, "Exported function not found.");
    throw new BugException("Exported function not found.");
  }
  ReportDiagnostic(DiagnosticLevel::kError, message.c_str());
  throw new LibraryException(message);
}
