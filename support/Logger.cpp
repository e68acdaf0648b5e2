#include "support/Logger.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/DeleteMapValues.h"
#include "platform/DiagnosticSink.h"
#include "platform/FileApi.h"
#include "platform/SystemTime.h"
#include "support/SecretRedactor.h"
#include "support/clAccessConfigFile.h"

namespace {

// A log file larger than this is deleted when its logger is created.
constexpr uintmax_t kMaximumLogSize = 0x100000;

// Lock order: reporting before registry. Both are constant-initialised, so
// static objects may log whatever the order of their construction.
std::mutex reporting;  // one report is written at a time
std::mutex registry;   // guards the registry and the settings of initialize

}  // namespace

CMapStringToPtr Logger::loggers;
bool Logger::enabled = false;
CString Logger::configurationFilePath;
CString Logger::mTempDirectory;

void Logger::initialize(const CString& configurationFile, const CString& tempDirectory) {
  // Read before locking: the profile code may report to the sink, whose
  // handler takes the registry's lock.
  clAccessConfigFile configuration(configurationFile);
  CString value;
  configuration.mRead("OPTION", "Debug", value);
  {
    const std::lock_guard lock(registry);
    mTempDirectory = tempDirectory;
    configurationFilePath = configurationFile;
    enabled = value.CompareNoCase("1") == 0;
  }
  SetDiagnosticHandler(&Logger::receiveDiagnostic);
}

void Logger::uninitialize() {
  // No report is being written while the loggers go.
  const std::lock_guard reportingLock(reporting);
  const std::lock_guard registryLock(registry);
  DeleteMapValues<Logger>(loggers);
}

Logger& Logger::getLogger(const CString& name) {
  const std::lock_guard lock(registry);
  return getLoggerLocked(name);
}

Logger& Logger::getLoggerLocked(const CString& name) {
  void* existing = nullptr;
  if (loggers.Lookup(name, existing)) return *static_cast<Logger*>(existing);
  Logger* logger = new Logger(name);
  loggers.SetAt(name, logger);
  return *logger;
}

void Logger::debugFailure(const CString& message) {
  ReportDiagnostic(DiagnosticLevel::kDebug, message.c_str());
}

void Logger::receiveDiagnostic(DiagnosticLevel level, const char* message) {
  // Reports may come from any thread: they are logged one at a time.
  const std::lock_guard lock(reporting);
  Logger* kernel = nullptr;
  {
    const std::lock_guard registered(registry);
    if (!enabled) return;
    kernel = &getLoggerLocked("kernel");
  }
  switch (level) {
    case DiagnosticLevel::kDebug:
      kernel->debug(message);
      break;
    case DiagnosticLevel::kInfo:
      kernel->info(message);
      break;
    case DiagnosticLevel::kWarn:
      kernel->warn(message);
      break;
    case DiagnosticLevel::kError:
      kernel->error(message);
      break;
  }
}

Logger::Logger(const CString& name) : name_(name) {
  if (!enabled) return;
  const CString path = mTempDirectory + "\\" + name_ + ".log";
  std::error_code error;
  const std::filesystem::path native = NativePath(path);
  const uintmax_t size = std::filesystem::file_size(native, error);
  if (!error && size > kMaximumLogSize && !std::filesystem::remove(native, error)) {
    std::fprintf(stderr, "Logger: cannot remove the oversized log file %s\n", path.c_str());
  }
  const int opened = logFile_.mInitLogFile(path);
  debugEnabled_ = infoEnabled_ = warnEnabled_ = errorEnabled_ = true;
  if (!opened) debug("Logger: cannot create the log file " + path);
  if (opened && !logFile_.mIsPrivate()) debug("Logger: cannot make the log file private " + path);
}

Logger::~Logger() = default;

void Logger::debug(const CString& message) {
  if (debugEnabled_) write("DEBUG ", message);
}

void Logger::info(const CString& message) {
  if (infoEnabled_) write("INFO ", message);
}

void Logger::warn(const CString& message) {
  if (warnEnabled_) write("WARN ", message);
}

void Logger::error(const CString& message) {
  if (errorEnabled_) write("ERROR ", message);
}

void Logger::write(const char* level, const CString& message) {
  try {
    // Every line leaves without the secrets it may hold: a debug line of the
    // transport shows whole requests, the password digest among them.
    log(level + GetTickCount() + " " + CString(SecretRedactor::Redact(message.str())));
  } catch (...) {
    // Out of memory while building the line: the line is lost, the caller
    // must not be disturbed.
    std::fputs("Logger: a line was lost\n", stderr);
  }
}

void Logger::log(const CString& line) {
  std::fwrite(line.c_str(), 1, static_cast<size_t>(line.GetLength()), stdout);
  std::fputc('\n', stdout);
  if (!logFile_.mAddResult(line, 0) && !fileFailureShown_) {
    // Reported once per logger: the file is locked or gone, and every later
    // line would say the same.
    fileFailureShown_ = true;
    std::fprintf(stderr, "Logger %s: cannot append to its log file; file lines are lost\n",
                 name_.c_str());
  }
}

CString Logger::GetTickCount() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  CString stamp;
  stamp.Format("[%d-%02d-%02d %02d:%02d:%02d,%03d]", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond, now.wMilliseconds);
  return stamp;
}
