#pragma once

#include "platform/CString.h"
#include "platform/DynamicLoading.h"

// Owns the module handle of "Trellis.dll", the library that hosts the Java
// virtual machine, and calls its four exports, looked up by name at each call.
// Failures are thrown by pointer (the catcher deletes them): LibraryException
// when the library cannot be loaded, unloaded or asked for an export,
// BugException when an export is missing, JniException with the error text
// that an export returned. The destructor does not unload the library.
class TrellisController {
 public:
  TrellisController();
  virtual ~TrellisController();
  TrellisController(const TrellisController&) = delete;
  TrellisController& operator=(const TrellisController&) = delete;

  // Loads "Trellis.dll" through the loader's search and then PATH; a library
  // loaded before is released once the new one is loaded.
  void Load();
  // Unloads the library if it is loaded; nothing to do otherwise.
  void Unload();

  // Starts the virtual machine (or joins the one already running) and writes
  // its handle to `jvm`.
  void CreateJVM(CString& classPath, CString& libraryPath, void** jvm);
  void SetProxySettings(void* jvm, CString& host, int port, CString& user, CString& password);
  void GetXmlData(void* jvm, int searchType, CString& country, CString& number, CString& kind,
                  bool bibliographic, bool family, bool legalStatus, CString& result);
  void XmlToXhtml(void* jvm, CString& text1, CString& text2, CString& text3, CString& text4,
                  CString& text5);

 private:
  // The export `name`, or the library error rule with `failureMessage`.
  FARPROC Export(const char* name, const char* failureMessage);
  // Reports the last error to the diagnostic sink and throws what it stands
  // for: LibraryException "Trellis.dll not found", BugException "Exported
  // function not found." or LibraryException with `message`.
  [[noreturn]] void ThrowLibraryError(const CString& message);

  HMODULE module_ = nullptr;  // "Trellis.dll" while loaded, else null
};
