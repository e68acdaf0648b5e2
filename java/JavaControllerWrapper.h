#pragma once

#include "java/LUXQuery.h"
#include "platform/CString.h"
#include "platform/Export.h"

class JavaController;

// The client's entry to the Java side: patent data and XSLT renderings come
// from a Java virtual machine hosted by "Trellis.dll", loaded at Initialize.
// Failures are thrown by pointer and the catcher deletes them:
// JavaControllerException for a missing or unloadable "Trellis.dll", a
// machine that does not start or an error text from the Java side;
// BugException "Exported function not found." for a "Trellis.dll" that lacks
// one of its four exports. Calls come from one thread at a time.
class SORREL_EXPORT JavaControllerWrapper {
 public:
  JavaControllerWrapper();
  virtual ~JavaControllerWrapper();
  JavaControllerWrapper(const JavaControllerWrapper&) = delete;
  JavaControllerWrapper& operator=(const JavaControllerWrapper&) = delete;

  // True once Initialize has succeeded; Uninitialize does not clear it.
  bool IsInitialized();
  // Copied; used by the next Initialize.
  void SetJavaHome(CString& path);
  void SetClassPath(CString& path);
  void SetLibraryPath(CString& path);

  // Sets JAVA_HOME to the Java home and PATH to "HOME/bin/client:HOME/bin:"
  // followed by the old PATH, loads "Trellis.dll" (the loader's search, then
  // PATH) and starts the virtual machine, or joins the one that this process
  // already runs. May be called again; on failure IsInitialized stays false.
  void Initialize();
  // Unloads "Trellis.dll" if loaded; a second call does nothing. The virtual
  // machine keeps running (a process can start only one).
  void Uninitialize();

  // The proxy, and its credentials when `user` is not empty, for the Java
  // side's later HTTP requests; an empty host means a direct connection.
  void SetProxySettings(CString& host, int port, CString& user, CString& password);
  // The patent's data as the search server's XML, bytes unchanged, written to
  // `result`; `result` is untouched on failure. The server's address is
  // taken from the environment variable TRELLIS_SERVER_URL at each call.
  void GetXmlData(LUXQuery& query, CString& result);
  // Transforms XML with an XSLT style sheet: reads `xml` (the document),
  // `styleSheetPath` (a file) and `parameters` ("name=value" lines, may be
  // empty); writes the rendering to `xhtml` and the transformer's warnings,
  // one per line, to `warnings`. Outputs are untouched on failure.
  void XmlToXhtml(CString& xml, CString& styleSheetPath, CString& parameters, CString& xhtml,
                  CString& warnings);

 private:
  JavaController* controller_;  // owned; does the work
};
