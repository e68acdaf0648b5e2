#pragma once

#include <string>

// Where the Java bridge's pieces are for the programs: the Java runtime, and
// Trellis.dll with trellis.jar, installed beside the programs.
class JavaBridgeFiles {
 public:
  // `chosen` when not empty, else JAVA_HOME when set and not empty, else
  // Debian's link to the default runtime, /usr/lib/jvm/default-java.
  static std::string JavaHome(const std::string& chosen = "");
  // True when `home` holds a JVM (lib/server/libjvm.so).
  static bool HasJvm(const std::string& home);
  // trellis.jar beside the running program, else in the first folder of
  // PATH that has it; empty when none has.
  static std::string TrellisJar();
  // Puts the program's folder first on PATH, where the bridge looks for
  // Trellis.dll, and names the search server's servlet for the bridge
  // (TRELLIS_SERVER_URL). Changes the process's environment.
  static void Prepare(const std::string& servletUrl);
};
