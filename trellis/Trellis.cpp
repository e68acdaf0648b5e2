#include "trellis/Trellis.h"

#include <dlfcn.h>
#include <jni.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr char kBridgeClass[] = "org/sorrel/trellis/Trellis";

using CreateJavaVMFunction = jint(JNICALL*)(JavaVM** vm, void** env, void* args);
using GetCreatedJavaVMsFunction = jint(JNICALL*)(JavaVM** vms, jsize size, jsize* count);

void SetError(CString** slot, const std::string& text) {
  if (slot && !*slot) *slot = new CString(text);
}

// The virtual machine's library: the copy already loaded in this process if
// there is one (a process runs at most one machine), else the one of
// JAVA_HOME. It is never unloaded.
void* JvmLibrary(std::string& failure) {
  if (void* loaded = dlopen("libjvm.so", RTLD_NOW | RTLD_NOLOAD)) return loaded;
  const char* home = std::getenv("JAVA_HOME");
  if (!home || !*home) {
    failure = "JAVA_HOME is not set: the Java runtime cannot be found";
    return nullptr;
  }
  for (const char* relative : {"/lib/server/libjvm.so", "/lib/client/libjvm.so",
                               "/jre/lib/server/libjvm.so", "/jre/lib/amd64/server/libjvm.so"}) {
    const std::string path = std::string(home) + relative;
    if (access(path.c_str(), F_OK) != 0) continue;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    if (!library) failure = std::string("Cannot load ") + path + ": " + dlerror();
    return library;
  }
  failure = std::string("No Java virtual machine under JAVA_HOME ") + home +
            " (lib/server/libjvm.so is missing)";
  return nullptr;
}

// The machine that this process runs, or null.
JavaVM* RunningMachine(void* library) {
  auto getCreated =
      reinterpret_cast<GetCreatedJavaVMsFunction>(dlsym(library, "JNI_GetCreatedJavaVMs"));
  JavaVM* vm = nullptr;
  jsize count = 0;
  if (!getCreated || getCreated(&vm, 1, &count) != JNI_OK || count < 1) return nullptr;
  return vm;
}

// The machine of this process if its library is loaded, else null.
JavaVM* RunningMachine() {
  void* library = dlopen("libjvm.so", RTLD_NOW | RTLD_NOLOAD);
  if (!library) return nullptr;
  JavaVM* vm = RunningMachine(library);
  dlclose(library);
  return vm;
}

// The calling thread's JNI environment for the span of one call: attached
// for the call if it was not attached before, and detached again after.
// Every local reference made during the call is released with its frame.
class Call {
 public:
  Call(void* jvm, CString** error) {
    JavaVM* running = RunningMachine();
    if (!jvm || running != jvm) {
      SetError(error, "The Java virtual machine is not started");
      return;
    }
    vm_ = running;
    jint status = vm_->GetEnv(reinterpret_cast<void**>(&env_), JNI_VERSION_10);
    if (status == JNI_EDETACHED) {
      status = vm_->AttachCurrentThread(reinterpret_cast<void**>(&env_), nullptr);
      attached_ = status == JNI_OK;
    }
    if (status != JNI_OK) {
      SetError(error, "Cannot attach this thread to the Java virtual machine");
      return;
    }
    if (env_->PushLocalFrame(64) != JNI_OK) {
      env_->ExceptionClear();
      SetError(error, "The Java virtual machine has no room for the call's references");
      return;
    }
    framed_ = true;
  }
  ~Call() {
    if (framed_) env_->PopLocalFrame(nullptr);
    if (attached_) vm_->DetachCurrentThread();
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  JNIEnv* env() const { return framed_ ? env_ : nullptr; }

 private:
  JavaVM* vm_ = nullptr;
  JNIEnv* env_ = nullptr;
  bool attached_ = false;  // this call attached the thread
  bool framed_ = false;    // a local frame was pushed
};

std::string Utf8(JNIEnv* env, jstring text) {
  if (!text) return {};
  const char* chars = env->GetStringUTFChars(text, nullptr);
  if (!chars) return {};
  std::string result(chars);
  env->ReleaseStringUTFChars(text, chars);
  return result;
}

// The pending exception's message (its description when it has none), cleared.
std::string TakeException(JNIEnv* env) {
  jthrowable thrown = env->ExceptionOccurred();
  env->ExceptionClear();
  jclass throwable = env->FindClass("java/lang/Throwable");
  jmethodID getMessage = env->GetMethodID(throwable, "getMessage", "()Ljava/lang/String;");
  jmethodID toString = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
  auto message = static_cast<jstring>(env->CallObjectMethod(thrown, getMessage));
  if (env->ExceptionCheck() || !message) {
    env->ExceptionClear();
    message = static_cast<jstring>(env->CallObjectMethod(thrown, toString));
    if (env->ExceptionCheck()) {
      env->ExceptionClear();
      return "A Java exception occurred and could not be described";
    }
  }
  return Utf8(env, message);
}

jbyteArray Bytes(JNIEnv* env, const CString* text) {
  const jsize length = text ? text->GetLength() : 0;
  jbyteArray array = env->NewByteArray(length);
  if (array && length > 0) {
    env->SetByteArrayRegion(array, 0, length, reinterpret_cast<const jbyte*>(text->c_str()));
  }
  return array;
}

CString FromBytes(JNIEnv* env, jbyteArray array) {
  if (!array) return {};
  const jsize length = env->GetArrayLength(array);
  std::string bytes(static_cast<size_t>(length), '\0');
  env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(bytes.data()));
  return CString(std::move(bytes));
}

// The static method `name` of the bridge class, or null with slot 1 set.
jmethodID BridgeMethod(JNIEnv* env, jclass& bridge, const char* name, const char* signature,
                       CString** error1) {
  bridge = env->FindClass(kBridgeClass);
  if (!bridge) {
    SetError(error1, std::string("Java class org.sorrel.trellis.Trellis not found on the class "
                                 "path: ") +
                         TakeException(env));
    return nullptr;
  }
  jmethodID method = env->GetStaticMethodID(bridge, name, signature);
  if (!method) SetError(error1, std::string("Java method not found: ") + TakeException(env));
  return method;
}

// Before a call into Java: false with slot 1 set when building its arguments
// failed (the machine is out of memory).
bool Prepared(JNIEnv* env, CString** error1) {
  if (!env->ExceptionCheck()) return true;
  SetError(error1, "Cannot pass the arguments to Java: " + TakeException(env));
  return false;
}

// After a call into Java: false with slot 2 set when it threw.
bool Returned(JNIEnv* env, CString** error2) {
  if (!env->ExceptionCheck()) return true;
  SetError(error2, TakeException(env));
  return false;
}

}  // namespace

extern "C" void Trellis_CreateJVM(CString* classPath, CString* libraryPath, void** jvm,
                                  CString** error) {
  if (!jvm) {
    SetError(error, "No place was given for the virtual machine's handle");
    return;
  }
  std::string failure;
  void* library = JvmLibrary(failure);
  if (!library) {
    SetError(error, failure);
    return;
  }
  if (JavaVM* running = RunningMachine(library)) {
    *jvm = running;
    return;
  }
  auto create = reinterpret_cast<CreateJavaVMFunction>(dlsym(library, "JNI_CreateJavaVM"));
  if (!create) {
    SetError(error, "The Java runtime lacks JNI_CreateJavaVM");
    return;
  }
  std::string classPathOption = "-Djava.class.path=" + (classPath ? classPath->str() : "");
  std::string libraryPathOption = "-Djava.library.path=" + (libraryPath ? libraryPath->str() : "");
  // -Xrs leaves SIGINT, SIGTERM, SIGHUP and SIGQUIT to the host process.
  std::vector<JavaVMOption> options = {
      {classPathOption.data(), nullptr},
      {const_cast<char*>("-Xrs"), nullptr},
  };
  if (libraryPath && !libraryPath->IsEmpty())
    options.push_back({libraryPathOption.data(), nullptr});
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_10;
  args.nOptions = static_cast<jint>(options.size());
  args.options = options.data();
  args.ignoreUnrecognized = JNI_FALSE;
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  const jint status = create(&vm, reinterpret_cast<void**>(&env), &args);
  if (status != JNI_OK) {
    SetError(error,
             "The Java virtual machine failed to start (JNI error " + std::to_string(status) + ")");
    return;
  }
  *jvm = vm;
}

extern "C" void Trellis_setProxySettings(void* jvm, CString** error1, CString** error2,
                                         CString* host, int port, CString* user,
                                         CString* password) {
  Call call(jvm, error1);
  JNIEnv* env = call.env();
  if (!env) return;
  jclass bridge = nullptr;
  jmethodID method = BridgeMethod(env, bridge, "setProxySettings", "([BI[B[B)V", error1);
  if (!method) return;
  jbyteArray hostBytes = Bytes(env, host);
  jbyteArray userBytes = Bytes(env, user);
  jbyteArray passwordBytes = Bytes(env, password);
  if (!Prepared(env, error1)) return;
  env->CallStaticVoidMethod(bridge, method, hostBytes, static_cast<jint>(port), userBytes,
                            passwordBytes);
  Returned(env, error2);
}

extern "C" void Trellis_getXmlData(void* jvm, CString** error1, CString** error2, int searchType,
                                   CString* country, CString* number, CString* kind,
                                   bool bibliographic, bool family, bool legalStatus,
                                   CString* result) {
  const char* server = std::getenv("TRELLIS_SERVER_URL");
  if (!server || !*server) {
    SetError(error1, "TRELLIS_SERVER_URL is not set: the search server's address is unknown");
    return;
  }
  const CString serverUrl(server);
  Call call(jvm, error1);
  JNIEnv* env = call.env();
  if (!env) return;
  jclass bridge = nullptr;
  jmethodID method = BridgeMethod(env, bridge, "getXmlData", "([BI[B[B[BZZZ)[B", error1);
  if (!method) return;
  jbyteArray serverBytes = Bytes(env, &serverUrl);
  jbyteArray countryBytes = Bytes(env, country);
  jbyteArray numberBytes = Bytes(env, number);
  jbyteArray kindBytes = Bytes(env, kind);
  if (!Prepared(env, error1)) return;
  auto answer = static_cast<jbyteArray>(env->CallStaticObjectMethod(
      bridge, method, serverBytes, static_cast<jint>(searchType), countryBytes, numberBytes,
      kindBytes, static_cast<jboolean>(bibliographic), static_cast<jboolean>(family),
      static_cast<jboolean>(legalStatus)));
  if (!Returned(env, error2)) return;
  if (result) *result = FromBytes(env, answer);
}

extern "C" void Trellis_xmlToXhtml(void* jvm, CString** error1, CString** error2, CString* text1,
                                   CString* text2, CString* text3, CString* text4, CString* text5) {
  Call call(jvm, error1);
  JNIEnv* env = call.env();
  if (!env) return;
  jclass bridge = nullptr;
  jmethodID method = BridgeMethod(env, bridge, "xmlToXhtml", "([B[B[B)[[B", error1);
  if (!method) return;
  jbyteArray xml = Bytes(env, text1);
  jbyteArray styleSheetPath = Bytes(env, text2);
  jbyteArray parameters = Bytes(env, text3);
  if (!Prepared(env, error1)) return;
  auto answer = static_cast<jobjectArray>(
      env->CallStaticObjectMethod(bridge, method, xml, styleSheetPath, parameters));
  if (!Returned(env, error2)) return;
  if (!answer || env->GetArrayLength(answer) != 2) {
    SetError(error1, "The Java side answered the transformation without a result");
    return;
  }
  CString xhtml = FromBytes(env, static_cast<jbyteArray>(env->GetObjectArrayElement(answer, 0)));
  CString warnings = FromBytes(env, static_cast<jbyteArray>(env->GetObjectArrayElement(answer, 1)));
  if (env->ExceptionCheck()) {
    SetError(error1, "Cannot read the transformation's result: " + TakeException(env));
    return;
  }
  if (text4) *text4 = std::move(xhtml);
  if (text5) *text5 = std::move(warnings);
}
