#pragma once

#include <ctime>

#include "platform/Export.h"
#include "platform/CString.h"
#include "platform/CTimeSpan.h"

// A point in time at one-second resolution, shown in the machine's local time.
class SORREL_EXPORT CTime {
 public:
  CTime() = default;
  explicit CTime(time_t time) : time_(time) {}
  // From local calendar fields (month 1-12); out-of-range fields normalise as mktime does.
  CTime(int year, int month, int day, int hour, int minute, int second);

  static CTime GetCurrentTime();

  time_t GetTime() const { return time_; }
  int GetYear() const { return Local().tm_year + 1900; }
  int GetMonth() const { return Local().tm_mon + 1; }
  int GetDay() const { return Local().tm_mday; }
  int GetHour() const { return Local().tm_hour; }
  int GetMinute() const { return Local().tm_min; }
  int GetSecond() const { return Local().tm_sec; }
  int GetDayOfWeek() const { return Local().tm_wday + 1; }

  // strftime formatting of the local time; an empty string when the result
  // would exceed 1023 characters.
  CString Format(const char* format) const;

  friend CTimeSpan operator-(CTime a, CTime b) {
    return CTimeSpan(static_cast<int64_t>(a.time_ - b.time_));
  }
  friend CTime operator+(CTime a, CTimeSpan span) {
    return CTime(a.time_ + static_cast<time_t>(span.GetTotalSeconds()));
  }
  friend bool operator==(CTime a, CTime b) { return a.time_ == b.time_; }

 private:
  struct tm Local() const;

  time_t time_ = 0;
};
