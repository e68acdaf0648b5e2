#pragma once

#include "platform/CString.h"
#include "platform/CTime.h"
#include "platform/Export.h"
#include "support/clAccessFile.h"

// A human-readable log of processing runs: a banner and start time when a run
// begins, step and result lines while it runs, the end and elapsed time when
// it ends. Every call opens the file for append without sharing, writes CR LF
// lines and closes it again; a call that cannot open it returns 0 and loses
// its lines, and the next call tries again. Nothing throws.
class SORREL_EXPORT clLogFile {
 public:
  clLogFile();
  virtual ~clLogFile();
  clLogFile(const clLogFile&) = delete;
  clLogFile& operator=(const clLogFile&) = delete;

  // Binds the object to `fileName`, creating the file if needed, makes it
  // readable and writable by its owner only (mode 0600) and starts a run in
  // it. 0 when the file can be neither appended to nor created.
  int mInitLogFile(const CString& fileName);
  // Whether the last mInitLogFile could restrict the file to its owner.
  bool mIsPrivate() const { return private_; }
  // Starts a run (banner and start line), then an empty line and `title`.
  int mLogNewProcess(const CString& title);
  // An empty line, then `text`.
  int mAddStep(const CString& text);
  // One line: the local time, a blank, `text`, and with `ok` == 1 a tab and "ok !".
  int mAddResult(const CString& text, int ok);
  // The end line and the time elapsed since the run started.
  int mLogEndOfProcess();

  // "%i:%i:%i" of the whole hours, minutes and seconds of `elapsed`, each a
  // total rather than a remainder: 125 seconds read "0:2:125".
  static CString FormatDuration(CTimeSpan elapsed);

 private:
  int mLogNewProcess();
  // Starts a run, followed by an empty line and `title` when one is given.
  int StartRun(const CString* title);
  // Opens the file for append; false (nothing to write) when that fails.
  bool OpenForAppend();

  CString fileName_;      // the log file; empty until mInitLogFile
  clAccessFile file_;     // used by every call, closed between calls
  CTime startTime_;       // start of the current run; 0 after construction
  bool private_ = false;  // the file's mode is 0600
};
