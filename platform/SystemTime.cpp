#include "platform/SystemTime.h"

#include <ctime>

void GetSystemTime(SYSTEMTIME* time) {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm fields {};
  gmtime_r(&now.tv_sec, &fields);
  time->wYear = static_cast<uint16_t>(fields.tm_year + 1900);
  time->wMonth = static_cast<uint16_t>(fields.tm_mon + 1);
  time->wDayOfWeek = static_cast<uint16_t>(fields.tm_wday);
  time->wDay = static_cast<uint16_t>(fields.tm_mday);
  time->wHour = static_cast<uint16_t>(fields.tm_hour);
  time->wMinute = static_cast<uint16_t>(fields.tm_min);
  time->wSecond = static_cast<uint16_t>(fields.tm_sec);
  time->wMilliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
}
