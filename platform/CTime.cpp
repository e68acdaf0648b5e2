#include "platform/CTime.h"

#include <array>

CTime::CTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm fields {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  time_ = mktime(&fields);
}

CTime CTime::GetCurrentTime() { return CTime(time(nullptr)); }

struct tm CTime::Local() const {
  struct tm fields {};
  localtime_r(&time_, &fields);
  return fields;
}

CString CTime::Format(const char* format) const {
  const struct tm fields = Local();
  std::array<char, 1024> buffer{};
  const size_t length = strftime(buffer.data(), buffer.size(), format, &fields);
  return CString(buffer.data(), static_cast<int>(length));
}
