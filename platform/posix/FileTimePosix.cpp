// MS-DOS date and time to a UTC file time on POSIX.
#include "platform/FileTime.h"

#include <ctime>

namespace platform {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysSince1970(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600LL;

// The local zone's offset from UTC at t, in seconds east. The zone is read
// once per process: mktime would read TZ and look at the zone file on every
// call, localtime_r does neither after tzset.
bool LocalOffsetAt(std::time_t t, long& offset) {
  static const bool zoneRead = (tzset(), true);
  (void)zoneRead;
  std::tm local{};
  if (!localtime_r(&t, &local)) return false;
  offset = local.tm_gmtoff;
  return true;
}

}  // namespace

bool DosDateTimeToUtcFileTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result) {
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

  // The fields read as UTC, moved by the zone's offset at that instant. The
  // offset is taken twice, so that a time just after a change of offset
  // gets the new one; a time that a change skips or repeats gets one of the
  // two offsets around the change. After an offset of 0 the second look
  // would be at the same instant, so there is none (a zone of UTC).
  const std::time_t asUtc =
      static_cast<std::time_t>(((DaysSince1970(year, month, day) * 24 + hour) * 60 + minute) * 60 + second);
  long offset = 0;
  if (!LocalOffsetAt(asUtc, offset)) return false;
  if (offset != 0 && !LocalOffsetAt(asUtc - offset, offset)) return false;
  const std::int64_t seconds = static_cast<std::int64_t>(asUtc) - offset + kEpochDifference;
  if (seconds < 0) return false;
  result = static_cast<std::uint64_t>(seconds) * 10000000ULL;
  return true;
}

}  // namespace platform
