#pragma once

#include <cstdint>

#include "platform/Export.h"

// A difference between two CTime values, in whole seconds.
class SORREL_EXPORT CTimeSpan {
 public:
  CTimeSpan() = default;
  explicit CTimeSpan(int64_t seconds) : seconds_(seconds) {}
  CTimeSpan(long days, int hours, int minutes, int seconds)
      : seconds_(((static_cast<int64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}

  int64_t GetTotalSeconds() const { return seconds_; }
  int64_t GetTotalMinutes() const { return seconds_ / 60; }
  int64_t GetTotalHours() const { return seconds_ / 3600; }
  int64_t GetDays() const { return seconds_ / 86400; }
  int GetHours() const { return static_cast<int>(GetTotalHours() % 24); }
  int GetMinutes() const { return static_cast<int>(GetTotalMinutes() % 60); }
  int GetSeconds() const { return static_cast<int>(seconds_ % 60); }

  friend bool operator==(CTimeSpan a, CTimeSpan b) { return a.seconds_ == b.seconds_; }

 private:
  int64_t seconds_ = 0;
};
