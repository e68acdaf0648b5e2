#pragma once

#include "platform/CMapStringToPtr.h"
#include "platform/CString.h"
#include "platform/DiagnosticSink.h"
#include "platform/Export.h"
#include "support/clLogFile.h"

// Named diagnostic loggers. Each line ("DEBUG ", "INFO ", "WARN " or "ERROR ",
// a bracketed UTC timestamp, a blank and the message) goes to standard output
// and, behind the local time, to <temporary directory>/<name>.log. Logging is
// switched on as a whole by "Debug" = "1" in section "OPTION" of the
// configuration file given to initialize; a logger created while it is off
// stays silent for its whole life. Logging never throws and never reports a
// failure: a file line that cannot be written is lost, standard output still
// gets it.
//
// The library itself logs only through the diagnostic sink
// (platform/DiagnosticSink.h), whose handler initialize installs, and keeps
// no logger: an object made before initialize therefore leaves no silent
// "kernel" logger behind. The registry (initialize, uninitialize, getLogger)
// is safe from any thread, and the sink's reports are logged one at a time;
// a Logger object itself is used by one thread at a time.
class SORREL_EXPORT Logger {
 public:
  virtual ~Logger();
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  // Stores both paths, reads the switch and installs the logger as the
  // diagnostic sink's handler (platform/DiagnosticSink.h), replacing any
  // other: from then on each report goes, at its level, to the logger
  // "kernel" when logging is on, and is dropped otherwise. Loggers that
  // already exist keep their state.
  static void initialize(const CString& configurationFilePath, const CString& tempDirectory);
  // Deletes every logger; references obtained before are dangling afterwards.
  static void uninitialize();
  // The logger of that name (exact case), created on first request; it
  // belongs to the registry and must not be deleted.
  static Logger& getLogger(const CString& name);
  // Reports `message` at debug level to the diagnostic sink, as
  // ReportDiagnostic does: after initialize it reaches the logger "kernel"
  // when logging is on, and nothing is logged otherwise, so that it never
  // creates a silent "kernel" logger. For failures that an operation handles
  // without reporting them to its caller.
  static void debugFailure(const CString& message);

  bool isDebugEnabled() const { return debugEnabled_; }
  bool isInfoEnabled() const { return infoEnabled_; }
  bool isWarnEnabled() const { return warnEnabled_; }
  bool isErrorEnabled() const { return errorEnabled_; }

  void debug(const CString& message);
  void info(const CString& message);
  void warn(const CString& message);
  void error(const CString& message);

 private:
  explicit Logger(const CString& name);
  // The diagnostic sink's handler that initialize installs.
  static void receiveDiagnostic(DiagnosticLevel level, const char* message);
  // The logger of that name; the caller holds the registry's mutex.
  static Logger& getLoggerLocked(const CString& name);
  void write(const char* level, const CString& message);
  void log(const CString& line);
  CString GetTickCount();

  CString name_;               // the logger's name and its file's stem
  bool debugEnabled_ = false;  // all four flags are set together, or none
  bool infoEnabled_ = false;
  bool warnEnabled_ = false;
  bool errorEnabled_ = false;
  clLogFile logFile_;              // receives every line
  bool fileFailureShown_ = false;  // a lost file line has been reported on stderr

  // The registry; every access holds the mutex in Logger.cpp.
  static CMapStringToPtr loggers;        // name to the Logger that owns it
  static bool enabled;                   // whether new loggers log
  static CString configurationFilePath;  // file given to initialize
  static CString mTempDirectory;         // directory of the log files
};
