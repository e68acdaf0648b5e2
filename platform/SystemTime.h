#pragma once

#include <cstdint>

#include "platform/Export.h"

// Windows' broken-down UTC time with milliseconds.
struct SYSTEMTIME {
  uint16_t wYear;          // four digits
  uint16_t wMonth;         // 1-12
  uint16_t wDayOfWeek;     // 0 = Sunday
  uint16_t wDay;           // 1-31
  uint16_t wHour;          // 0-23
  uint16_t wMinute;        // 0-59
  uint16_t wSecond;        // 0-59
  uint16_t wMilliseconds;  // 0-999
};

// Fills `time` with the current UTC time; never fails.
SORREL_EXPORT void GetSystemTime(SYSTEMTIME* time);
