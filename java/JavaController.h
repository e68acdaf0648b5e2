#pragma once

#include "java/LUXQuery.h"
#include "platform/CString.h"

class TrellisController;

// Prepares the environment for the Java virtual machine, loads "Trellis.dll",
// starts the machine through it and forwards queries. Every failure leaves as
// a JavaControllerException thrown by pointer (the catcher deletes it), except
// BugException "Exported function not found." for a "Trellis.dll" that lacks
// one of its exports.
class JavaController {
 public:
  JavaController();
  virtual ~JavaController();
  JavaController(const JavaController&) = delete;
  JavaController& operator=(const JavaController&) = delete;

  bool IsInitialized();
  // Stored; they take effect at the next Initialize.
  void SetJavaHome(CString& path);
  void SetClassPath(CString& path);
  void SetLibraryPath(CString& path);

  // Sets JAVA_HOME, puts the Java home's bin/client and bin folders in front
  // of PATH, loads "Trellis.dll" and starts (or joins) the virtual machine.
  // May be repeated; on failure the controller stays uninitialized.
  void Initialize();
  // Unloads "Trellis.dll" if it is loaded. The virtual machine keeps running
  // and IsInitialized keeps its value; later calls fail until Initialize.
  void Uninitialize();

  void SetProxySettings(CString& host, int port, CString& user, CString& password);
  // The Java side's XML answer for `query` is written to `result`; `result`
  // is left untouched on failure.
  void GetXmlData(LUXQuery& query, CString& result);
  // The five texts go to the Java side in order; see docs/java.md for which
  // are read and which are written.
  void XmlToXhtml(CString& text1, CString& text2, CString& text3, CString& text4, CString& text5);

 private:
  void PrepareEnvironment();

  bool initialized_ = false;    // start-up has finished
  TrellisController* trellis_;  // owned bridge to "Trellis.dll"
  CString javaHome_;            // directory of the Java runtime
  CString classPath_;           // class path given to the virtual machine
  CString libraryPath_;         // native library path given to the virtual machine
  void* jvm_ = nullptr;         // handle written by Trellis_CreateJVM, null before
};
