// MS-DOS date and time to a UTC file time on POSIX.
#include "platform/FileTime.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace platform {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600LL;

bool ConvertDosDateTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result) {
  const int year = 1980 + (dosDate >> 9);
  const int month = (dosDate >> 5) & 0x0F;
  const int day = dosDate & 0x1F;
  const int hour = dosTime >> 11;
  const int minute = (dosTime >> 5) & 0x3F;
  const int second = (dosTime & 0x1F) * 2;
  // The same checks as the Windows conversion: a date or time that does not
  // exist is refused, never rolled over into the next month or day.
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;

  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  if (t == static_cast<std::time_t>(-1)) return false;
  const std::int64_t seconds = static_cast<std::int64_t>(t) + kEpochDifference;
  if (seconds < 0) return false;
  result = static_cast<std::uint64_t>(seconds) * 10000000ULL;
  return true;
}

}  // namespace

bool DosDateTimeToUtcFileTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result) {
  // Listing completes every member's times from the same DOS date and time,
  // and members of one archive often share it, while mktime costs a look at
  // the zone file each time (glibc, TZ unset). The last answer is kept with
  // what it depends on.
  thread_local struct {
    bool known = false;
    std::uint16_t date = 0, time = 0;
    bool zoneSet = false;
    std::string zone;  // TZ
    bool ok = false;
    std::uint64_t value = 0;
  } last;
  const char* zone = std::getenv("TZ");
  if (last.known && last.date == dosDate && last.time == dosTime && last.zoneSet == (zone != nullptr) &&
      (!zone || std::strcmp(last.zone.c_str(), zone) == 0)) {
    if (last.ok) result = last.value;
    return last.ok;
  }
  std::uint64_t value = 0;
  const bool ok = ConvertDosDateTime(dosDate, dosTime, value);
  last.known = true;
  last.date = dosDate;
  last.time = dosTime;
  last.zoneSet = zone != nullptr;
  last.zone = zone ? zone : "";
  last.ok = ok;
  last.value = value;
  if (ok) result = value;
  return ok;
}

}  // namespace platform
