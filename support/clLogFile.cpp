#include "support/clLogFile.h"

#include <filesystem>
#include <system_error>

#include "platform/FileApi.h"

namespace {

const char kBanner[] =
    "*****************************************************************************";
const char kDateFormat[] = "%d/%m/%Y %H:%M:%S";

}  // namespace

clLogFile::clLogFile() = default;

clLogFile::~clLogFile() = default;

bool clLogFile::OpenForAppend() {
  if (file_.mOpenFileForAppend(fileName_) == 1) return true;
  // A 0 may leave an empty file's handle open; nothing is written through it.
  file_.mCloseFile();
  return false;
}

int clLogFile::mInitLogFile(const CString& fileName) {
  fileName_ = fileName;
  private_ = false;
  startTime_ = CTime::GetCurrentTime();
  if (file_.mOpenFileForAppend(fileName_) != 1) {
    // New, empty or unopenable: (re)create it and start it with an empty line.
    if (!file_.mOpenFileForWriting(fileName_)) {
      file_.mCloseFile();
      return 0;
    }
    file_.mWriteBlankLine();
  }
  file_.mCloseFile();
  // Logs show what a program did for its user: only that user reads them.
  std::error_code error;
  std::filesystem::permissions(
      NativePath(fileName_.c_str()),
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
      std::filesystem::perm_options::replace, error);
  private_ = !error;
  mLogNewProcess();
  return 1;
}

int clLogFile::mLogNewProcess() { return StartRun(nullptr); }

int clLogFile::mLogNewProcess(const CString& title) { return StartRun(&title); }

int clLogFile::StartRun(const CString* title) {
  if (!OpenForAppend()) return 0;
  startTime_ = CTime::GetCurrentTime();
  CString start;
  start.Format("Start of processing\t: %s", startTime_.Format(kDateFormat).c_str());
  file_.mWriteBlankLine();
  file_.mWriteBlankLine();
  file_.mWriteLine(kBanner);
  file_.mWriteBlankLine();
  file_.mWriteLine(start);
  if (title != nullptr) {
    file_.mWriteBlankLine();
    file_.mWriteLine(*title);
  }
  file_.mCloseFile();
  return 1;
}

int clLogFile::mAddStep(const CString& text) {
  if (!OpenForAppend()) return 0;
  file_.mWriteBlankLine();
  file_.mWriteLine(text);
  file_.mCloseFile();
  return 1;
}

int clLogFile::mAddResult(const CString& text, int ok) {
  if (!OpenForAppend()) return 0;
  CString line;
  const CString time = CTime::GetCurrentTime().Format("%H:%M:%S");
  if (ok == 1) {
    line.Format("%s %s\tok !", time.c_str(), text.c_str());
  } else {
    line.Format("%s %s", time.c_str(), text.c_str());
  }
  file_.mWriteLine(line);
  file_.mCloseFile();
  return 1;
}

int clLogFile::mLogEndOfProcess() {
  if (!OpenForAppend()) return 0;
  const CTime now = CTime::GetCurrentTime();
  CString end;
  end.Format("End of processing\t: %s", now.Format(kDateFormat).c_str());
  const CString duration = "Time of processing\t: " + FormatDuration(now - startTime_);
  file_.mWriteBlankLine();
  file_.mWriteLine(end);
  file_.mWriteBlankLine();
  file_.mWriteLine(duration);
  file_.mWriteBlankLine();
  file_.mCloseFile();
  return 1;
}

CString clLogFile::FormatDuration(CTimeSpan elapsed) {
  const long long seconds = elapsed.GetTotalSeconds();
  CString text;
  text.Format("%lld:%lld:%lld", seconds / 3600, seconds / 60, seconds);
  return text;
}
