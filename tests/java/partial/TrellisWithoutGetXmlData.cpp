// A "Trellis.dll" that lacks Trellis_getXmlData, for the bridge's handling of
// a missing export, and whose Trellis_setProxySettings fills error slot 2
// alone. It starts no virtual machine.
#include "platform/CString.h"

namespace {
int machine;  // stands for the machine whose address the handle carries
}  // namespace

extern "C" __attribute__((visibility("default"))) void Trellis_CreateJVM(CString*, CString*,
                                                                         void** jvm, CString**) {
  *jvm = &machine;
}

extern "C" __attribute__((visibility("default"))) void Trellis_setProxySettings(
    void*, CString**, CString** error2, CString* host, int, CString*, CString*) {
  *error2 = new CString("Proxy refused: " + *host);
}

extern "C" __attribute__((visibility("default"))) void Trellis_xmlToXhtml(void*, CString**,
                                                                          CString**, CString*,
                                                                          CString*, CString*,
                                                                          CString*, CString*) {}
