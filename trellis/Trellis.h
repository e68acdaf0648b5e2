#pragma once

#include "platform/CString.h"

// The four exports of "Trellis.dll", the library that hosts a Java virtual
// machine for libSORRELKernel. Strings are the caller's CString objects. An
// error slot is the address of a CString* that the caller sets to null; on
// failure the callee stores a CString made with new there, which the caller
// copies and deletes. Slot 1 (or the single slot of Trellis_CreateJVM)
// reports failures of the bridge itself: no virtual machine, a class or
// method not found, a JNI call that failed; slot 2 reports an exception of
// the Java code, by its message. Outputs are left untouched on failure.
// The library is built with hidden visibility; these four are its interface.
#define TRELLIS_EXPORT __attribute__((visibility("default")))

extern "C" {

// Starts the virtual machine with the class path and native library path
// given, or joins the one that this process already runs, and writes its
// handle to `jvm`. The machine's library is found in JAVA_HOME.
TRELLIS_EXPORT void Trellis_CreateJVM(CString* classPath, CString* libraryPath, void** jvm,
                                      CString** error);

// Sends later HTTP requests through host:port (Basic credentials when `user`
// is not empty); an empty host means direct connections.
TRELLIS_EXPORT void Trellis_setProxySettings(void* jvm, CString** error1, CString** error2,
                                             CString* host, int port, CString* user,
                                             CString* password);

// Fetches the register document of a patent from the search server named by
// the environment variable TRELLIS_SERVER_URL (the address of its search
// servlet) and writes it to `result`, bytes unchanged. `searchType` 0 is a
// publication number; other values are refused.
TRELLIS_EXPORT void Trellis_getXmlData(void* jvm, CString** error1, CString** error2,
                                       int searchType, CString* country, CString* number,
                                       CString* kind, bool bibliographic, bool family,
                                       bool legalStatus, CString* result);

// Transforms the XML document `text1` with the XSLT style sheet in the file
// `text2`, with the parameters of `text3` ("name=value" lines); writes the
// rendering to `text4` and the transformer's warnings to `text5`.
TRELLIS_EXPORT void Trellis_xmlToXhtml(void* jvm, CString** error1, CString** error2,
                                       CString* text1, CString* text2, CString* text3,
                                       CString* text4, CString* text5);
}
