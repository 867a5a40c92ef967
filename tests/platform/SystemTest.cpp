// Time conversion, dynamic libraries and starting programs (which inherit
// the environment set here) through the shell.
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/FileTime.h"
#include "platform/Files.h"
#include "platform/Shell.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ctime>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using platform_test::Cp932Scope;
using platform_test::Hex;
using platform_test::TempFolder;

// Days from 1601-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysSince1601(int year, int month, int day) {
  std::int64_t days = 0;
  for (int y = 1601; y < year; ++y) days += ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0) ? 366 : 365;
  static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  days += kBefore[month - 1] + day - 1;
  if (month > 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) ++days;
  return days;
}

TEST(FileTime, DosDateTimeConversion) {
  constexpr std::uint64_t kSentinel = 0x0123456789ABCDEFULL;
  const struct {
    std::uint16_t date;
    std::uint16_t time;
    bool ok;
    int year, month, day, hour, minute, second;
  } cases[] = {
      {0x0021, 0x0000, true, 1980, 1, 1, 0, 0, 0},      {0x0021, 0xBF7D, true, 1980, 1, 1, 23, 59, 58},
      {0x005D, 0x0000, true, 1980, 2, 29, 0, 0, 0},  // a leap day
      {0x3B8F, 0x6A2F, true, 2009, 12, 15, 13, 17, 30}, {0xFF9F, 0xBF7D, true, 2107, 12, 31, 23, 59, 58},
      {0x0000, 0x0000, false, 0, 0, 0, 0, 0, 0},  // month 0 and day 0: the caller handles zero itself
      {0x0020, 0x0000, false, 0, 0, 0, 0, 0, 0},  // day 0
      {0x01A1, 0x0000, false, 0, 0, 0, 0, 0, 0},  // month 13
      {0x009F, 0x0000, false, 0, 0, 0, 0, 0, 0},  // 31 April
      {0x025E, 0x0000, false, 0, 0, 0, 0, 0, 0},  // 30 February
      {0x0021, 0xC000, false, 0, 0, 0, 0, 0, 0},  // hour 24
      {0x0021, 0xBF80, false, 0, 0, 0, 0, 0, 0},  // minute 60
      {0x0021, 0xBF7E, false, 0, 0, 0, 0, 0, 0},  // second 60
  };
  for (const auto& c : cases) {
    std::uint64_t result = kSentinel;
    ASSERT_EQ(platform::DosDateTimeToUtcFileTime(c.date, c.time, result), c.ok) << std::hex << c.date << " " << c.time;
    if (!c.ok) {
      EXPECT_EQ(result, kSentinel);  // left alone on failure
      continue;
    }
    // The local time zone is whatever the machine has: the result must be the
    // fields as UTC, moved by a whole number of quarter hours, at most 14 hours.
    const std::int64_t asUtc = ((DaysSince1601(c.year, c.month, c.day) * 24 + c.hour) * 60 + c.minute) * 60 + c.second;
    const std::int64_t offset = static_cast<std::int64_t>(result / 10000000ULL) - asUtc;
    EXPECT_EQ(result % 10000000ULL, 0u);
    EXPECT_LE(offset < 0 ? -offset : offset, 14 * 3600) << std::hex << c.date;
    EXPECT_EQ(offset % 900, 0) << std::hex << c.date;
  }

  // Two times of one winter day differ by exactly their distance.
  std::uint64_t midnight = 0;
  std::uint64_t evening = 0;
  ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x0021, 0x0000, midnight));
  ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x0021, 0xBF7D, evening));
  EXPECT_EQ(evening - midnight, (23ULL * 3600 + 59 * 60 + 58) * 10000000ULL);
}

#ifndef _WIN32
// Wine's conversion rolls 29 February of a common year over into 1 March;
// Windows refuses it, and so do we.
TEST(FileTime, LeapDayOfACommonYearIsRefused) {
  std::uint64_t result = 0;
  EXPECT_FALSE(platform::DosDateTimeToUtcFileTime(0x025D, 0x0000, result));  // 1981-02-29
}

// The zone is read once per process (tzset); a test that sets TZ reads it
// again, and puts the old one back.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* zone) : previous_(platform::GetEnvironmentValue("TZ")) {
    platform::SetEnvironmentValue("TZ", zone);
    tzset();
  }
  ~TimeZoneScope() {
    platform::SetEnvironmentValue("TZ", previous_);
    tzset();
  }

 private:
  std::string previous_;
};

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

TEST(FileTime, FixedZonesMoveTheResultByTheirOffset) {
  std::uint64_t utc = 0, tokyo = 0, newYork = 0;
  {
    TimeZoneScope zone("UTC0");
    ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x5A21, 0x6000, utc));
  }
  {
    TimeZoneScope zone("JST-9");
    ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x5A21, 0x6000, tokyo));
  }
  {
    TimeZoneScope zone("EST5");
    ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x5A21, 0x6000, newYork));
  }
  EXPECT_EQ(utc - tokyo, 9ULL * 3600 * 10000000);
  EXPECT_EQ(newYork - utc, 5ULL * 3600 * 10000000);
}

// Every half hour of a year in zones east and west of Greenwich with summer
// time: each time that exists once agrees with mktime; a time that the
// spring change skips gets one of the two offsets around it.
TEST(FileTime, SummerTimeAgreesWithMktime) {
  for (const char* name : {"CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "AEST-10AEDT,M10.1.0,M4.1.0/3"}) {
    TimeZoneScope zone(name);
    int checked = 0, skipped = 0;
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 28; ++day) {
        for (int halfHour = 0; halfHour < 48; ++halfHour) {
          const int hour = halfHour / 2, minute = halfHour % 2 * 30;
          std::uint64_t ours = 0;
          ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(DosDate(2021, month, day), DosTime(hour, minute, 0), ours));
          const std::time_t t = static_cast<std::time_t>(ours / 10000000ULL - 11644473600ULL);
          std::tm back{};
          ASSERT_NE(localtime_r(&t, &back), nullptr);
          const bool exists = back.tm_mday == day && back.tm_hour == hour && back.tm_min == minute;
          std::tm hourLater{}, hourEarlier{};
          const std::time_t later = t + 3600, earlier = t - 3600;
          localtime_r(&later, &hourLater);
          localtime_r(&earlier, &hourEarlier);
          const bool twice = (hourLater.tm_hour == hour && hourLater.tm_mday == day) ||
                             (hourEarlier.tm_hour == hour && hourEarlier.tm_mday == day);
          if (!exists) {
            // Skipped: an hour off either way.
            const std::int64_t asUtc = (DaysSince1601(2021, month, day) * 24 + hour) * 3600 + minute * 60;
            const std::int64_t offset = asUtc - static_cast<std::int64_t>(ours / 10000000ULL);
            EXPECT_EQ(offset % 3600, 0) << name << " " << month << "/" << day << " " << hour << ":" << minute;
            ++skipped;
            continue;
          }
          if (twice) continue;
          std::tm local{};
          local.tm_year = 2021 - 1900;
          local.tm_mon = month - 1;
          local.tm_mday = day;
          local.tm_hour = hour;
          local.tm_min = minute;
          local.tm_isdst = -1;
          const std::time_t expected = std::mktime(&local);
          EXPECT_EQ(t, expected) << name << " " << month << "/" << day << " " << hour << ":" << minute;
          ++checked;
        }
      }
    }
    EXPECT_GT(checked, 12 * 28 * 48 - 10) << name;
    EXPECT_EQ(skipped, 2) << name;  // the two half hours of the spring change's hour
  }
}
// The conversion as first written, for comparison: the fields read as UTC
// (timegm), the zone's offset there, then the offset at the instant moved
// back by it; always two lookups.
bool TwoLookupConversion(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result) {
  const int year = 1980 + (dosDate >> 9), month = (dosDate >> 5) & 0x0F, day = dosDate & 0x1F;
  const int hour = dosTime >> 11, minute = (dosTime >> 5) & 0x3F, second = (dosTime & 0x1F) * 2;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  const std::time_t asUtc = timegm(&fields);
  std::tm local{};
  if (!localtime_r(&asUtc, &local)) return false;
  const std::time_t moved = asUtc - local.tm_gmtoff;
  if (!localtime_r(&moved, &local)) return false;
  result = static_cast<std::uint64_t>(asUtc - local.tm_gmtoff + 11644473600LL) * 10000000ULL;
  return true;
}

// Every DOS date (valid or not) at three times of day, every DOS time (valid
// or not) on a few days of change, and every minute from two hours before
// to two hours after each change of offset from 1980 to 2107: the same
// answer as the two lookups, in zones with and without summer time, one
// with a change of half an hour and one given as a rule.
TEST(FileTime, SameAsTwoLookupsInEveryZone) {
  constexpr std::uint64_t kSentinel = 0x0123456789ABCDEFULL;
  const struct {
    const char* zone;
    long january, july;  // offsets in 2021, to see that the zone's data is there
  } zones[] = {
      {"UTC", 0, 0},
      {"Europe/Berlin", 3600, 7200},
      {"America/New_York", -5 * 3600, -4 * 3600},
      {"Australia/Lord_Howe", 11 * 3600, 10 * 3600 + 1800},
      {"Asia/Tokyo", 9 * 3600, 9 * 3600},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", 11 * 3600, 10 * 3600},
  };
  const auto same = [&](std::uint16_t date, std::uint16_t time) {
    std::uint64_t ours = kSentinel, expected = kSentinel;
    const bool ok = platform::DosDateTimeToUtcFileTime(date, time, ours);
    return ok == TwoLookupConversion(date, time, expected) && ours == expected;
  };
  for (const auto& z : zones) {
    TimeZoneScope scope(z.zone);
    const auto offsetAt = [](int year, int month, int day, int hour) {
      std::tm fields{};
      fields.tm_year = year - 1900, fields.tm_mon = month - 1, fields.tm_mday = day, fields.tm_hour = hour;
      const std::time_t t = timegm(&fields);
      std::tm local{};
      localtime_r(&t, &local);
      return local.tm_gmtoff;
    };
    ASSERT_EQ(offsetAt(2021, 1, 15, 12), z.january) << z.zone << ": no zone data (tzdata)?";
    ASSERT_EQ(offsetAt(2021, 7, 15, 12), z.july) << z.zone;

    for (unsigned date = 0; date <= 0xFFFF; ++date) {
      for (const std::uint16_t time : {DosTime(0, 0, 0), DosTime(2, 30, 0), DosTime(23, 59, 58)}) {
        ASSERT_TRUE(same(static_cast<std::uint16_t>(date), time)) << z.zone << std::hex << " " << date << " " << time;
      }
    }
    for (const std::uint16_t date : {DosDate(2021, 3, 28), DosDate(2021, 11, 7), DosDate(2021, 4, 4)}) {
      for (unsigned time = 0; time <= 0xFFFF; ++time) {
        ASSERT_TRUE(same(date, static_cast<std::uint16_t>(time))) << z.zone << std::hex << " " << date << " " << time;
      }
    }
    // Each change of offset from 1980 to 2107, found between two noons (UTC)
    // a day apart: every minute of local time from two hours before it to
    // two hours after it, at seconds 0 and 58.
    const auto offsetAtInstant = [](std::time_t t) {
      std::tm local{};
      localtime_r(&t, &local);
      return local.tm_gmtoff;
    };
    int changes = 0;
    std::tm first{};
    first.tm_year = 80, first.tm_mday = 2, first.tm_hour = 12;
    std::tm last = first;
    last.tm_year = 207, last.tm_mon = 11, last.tm_mday = 30;
    const std::time_t end = timegm(&last);
    for (std::time_t noon = timegm(&first); noon < end; noon += 86400) {
      const long before = offsetAtInstant(noon - 86400), after = offsetAtInstant(noon);
      if (before == after) continue;
      ++changes;
      std::time_t low = noon - 86400, high = noon;  // the change: the first instant with the new offset
      while (high - low > 1) {
        const std::time_t middle = low + (high - low) / 2;
        (offsetAtInstant(middle) == before ? low : high) = middle;
      }
      const std::time_t wallFrom = high + std::min(before, after) - 2 * 3600;
      const std::time_t wallTo = high + std::max(before, after) + 2 * 3600;
      for (std::time_t wall = wallFrom - wallFrom % 60; wall <= wallTo; wall += 60) {
        std::tm fields{};
        gmtime_r(&wall, &fields);
        const std::uint16_t date = DosDate(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday);
        for (const int second : {0, 58}) {
          const std::uint16_t time = DosTime(fields.tm_hour, fields.tm_min, second);
          ASSERT_TRUE(same(date, time)) << z.zone << std::hex << " " << date << " " << time;
        }
      }
    }
    if (z.january != z.july) {
      EXPECT_GT(changes, 100) << z.zone;
    }
  }
}
#endif

// ---------------------------------------------------------------------------
// Dynamic libraries

std::string TestLibraryFolder() { return platform_test::ProgramFolder() + "platform-testlib"; }

using AnswerFn = int (*)(int);

class DynamicLibrary : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetLibrarySearchFolder(""); }
};

TEST_F(DynamicLibrary, FoundThroughTheSearchFolder) {
  ASSERT_TRUE(platform::FileExists(platform::JoinPath(TestLibraryFolder(), "PLATTEST.DLL")));
  EXPECT_EQ(platform::LoadDynamicLibrary("PLATTEST.DLL"), nullptr);  // not beside the program

  platform::SetLibrarySearchFolder(TestLibraryFolder());
  platform::LibraryHandle library = platform::LoadDynamicLibrary("PLATTEST.DLL");
  ASSERT_NE(library, nullptr);

  auto answer = reinterpret_cast<AnswerFn>(platform::FindEntry(library, "PlatTestAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(20), 41);
  EXPECT_EQ(platform::FindEntry(library, "NoSuchEntry"), nullptr);
  EXPECT_EQ(platform::FindEntry(nullptr, "PlatTestAnswer"), nullptr);

  const std::string path = platform::LibraryPath(library);
  EXPECT_TRUE(platform::AnsiSameText(platform::ExtractFileName(path), "PLATTEST.DLL")) << path;
  EXPECT_TRUE(platform::AnsiSameText(platform::ExtractFilePath(path), platform::JoinPath(TestLibraryFolder(), "")))
      << path;
  EXPECT_EQ(platform::LibraryPath(library, 5), path.substr(0, 5));
  platform::FreeDynamicLibrary(library);
  platform::FreeDynamicLibrary(nullptr);
}

TEST_F(DynamicLibrary, MissingLibraryAndTheProgramItself) {
  EXPECT_EQ(platform::LoadDynamicLibrary("NO_SUCH_LIBRARY_42.DLL"), nullptr);
  EXPECT_EQ(platform::LoadDynamicLibrary(""), nullptr);
  EXPECT_EQ(platform::LibraryPath(nullptr), platform::ExecutablePath());
}

TEST_F(DynamicLibrary, TheProgramFolderComesFirst) {
  const std::string copy = platform_test::ProgramFolder() + "PLATCOPY.DLL";
  platform::CopyFileTo(platform::JoinPath(TestLibraryFolder(), "PLATTEST.DLL"), copy);
  platform::LibraryHandle library = platform::LoadDynamicLibrary("PLATCOPY.DLL");
  EXPECT_NE(library, nullptr);
  if (library) {
    EXPECT_TRUE(platform::AnsiSameText(platform::LibraryPath(library), copy)) << platform::LibraryPath(library);
    EXPECT_NE(platform::FindEntry(library, "PlatTestAnswer"), nullptr);
    platform::FreeDynamicLibrary(library);
  }
  EXPECT_TRUE(platform::RemoveFile(copy));
}

// The current folder is usually an archive's: a library planted there is
// never loaded, neither before the program has taken the folder out of the
// search nor after (Wine, like systems without SetDllDirectoryA, goes on
// searching it after SetDllDirectoryA("")); one beside the program still is.
TEST_F(DynamicLibrary, TheCurrentFolderSuppliesNoLibrary) {
  TempFolder planted;
  const std::string plantedLibrary = planted / "PLATCWD.DLL";
  platform::CopyFileTo(platform::JoinPath(TestLibraryFolder(), "PLATTEST.DLL"), plantedLibrary);
  platform::LibraryHandle byPath = platform::LoadDynamicLibrary(plantedLibrary);
  ASSERT_NE(byPath, nullptr) << "the planted file is a loadable library";
  platform::FreeDynamicLibrary(byPath);
  const std::string beside = platform_test::ProgramFolder() + "PLATBESIDE.DLL";
  platform::CopyFileTo(platform::JoinPath(TestLibraryFolder(), "PLATTEST.DLL"), beside);

  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(planted.path());
  const auto expectOnlyTheOneBeside = [&](const char* when) {
    EXPECT_EQ(platform::LoadDynamicLibrary("PLATCWD.DLL"), nullptr) << when;
    platform::LibraryHandle library = platform::LoadDynamicLibrary("PLATBESIDE.DLL");
    EXPECT_NE(library, nullptr) << when;
    platform::FreeDynamicLibrary(library);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(planted.path())) << when;
  };
  expectOnlyTheOneBeside("before");
  platform::KeepCurrentFolderOutOfLibrarySearch();
  expectOnlyTheOneBeside("after");
  platform::SetLibrarySearchFolder("");
  expectOnlyTheOneBeside("after the search folder was dropped");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(platform::RemoveFile(beside));
}

// ---------------------------------------------------------------------------
// Command lines and starting programs

struct CommandLineCase {
  std::string parameters;
  std::vector<std::string> args;
};

// Measured with the Windows C runtime (msvcrt under Wine).
const std::vector<CommandLineCase>& CommandLineCases() {
  static const std::vector<CommandLineCase> cases = {
      {"plain", {"plain"}},
      {"\"a b\" c", {"a b", "c"}},
      {"\"C:\\dir with space\\x.lzh\"", {"C:\\dir with space\\x.lzh"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"x\"\"y\" z", {"x\"y", "z"}},
      {"a\\\\b \"c\\\"d\"", {"a\\\\b", "c\"d"}},
      {"back\\\\\\\\\"q\"", {"back\\\\q"}},
      {"  lead \t trail  ", {"lead", "trail"}},
      {"\"unterminated arg", {"unterminated arg"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"/u zipfldr", {"/u", "zipfldr"}},
  };
  return cases;
}

// Shift_JIS: ソ and 表 end in the byte of "\", which must not escape a quote.
const std::vector<CommandLineCase>& Cp932CommandLineCases() {
  static const std::vector<CommandLineCase> cases = {
      {"\"\x83\x5C\" x", {"\x83\x5C", "x"}},
      {"\x83\x5C\" y\"", {"\x83\x5C y"}},
      {"\x95\x5C\\\"q\"", {"\x95\x5C\"q"}},
  };
  return cases;
}

TEST(CommandLine, SplitLikeTheWindowsRuntime) {
  for (const auto& c : CommandLineCases()) EXPECT_EQ(platform::SplitCommandLine(c.parameters), c.args) << c.parameters;
  EXPECT_TRUE(platform::SplitCommandLine("").empty());
  EXPECT_TRUE(platform::SplitCommandLine("   ").empty());
  Cp932Scope scope;
  for (const auto& c : Cp932CommandLineCases()) {
    EXPECT_EQ(platform::SplitCommandLine(c.parameters), c.args) << Hex(c.parameters);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// The helper program records the arguments it receives; every case is started
// first and then waited for, so the programs run side by side.
TEST(ShellStart, ProgramReceivesTheParametersAsSplit) {
  TempFolder tmp;
#ifdef _WIN32
  const std::string recorder = platform_test::ProgramFolder() + "plat_argv_recorder.exe";
#else
  const std::string recorder = platform_test::ProgramFolder() + "plat_argv_recorder";
#endif
  ASSERT_TRUE(platform::FileExists(recorder));
  Cp932Scope scope;
  std::vector<CommandLineCase> cases = CommandLineCases();
  for (const auto& c : Cp932CommandLineCases()) cases.push_back(c);

  const std::string saved = platform::GetEnvironmentValue("MOKURENA_ARGV_FILE");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    platform::SetEnvironmentValue("MOKURENA_ARGV_FILE", tmp / ("args" + std::to_string(i) + ".txt"));
    platform::ShellStart(nullptr, "open", recorder, cases[i].parameters, platform::kShow);
  }
  platform::SetEnvironmentValue("MOKURENA_ARGV_FILE", saved);

  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string output = tmp / ("args" + std::to_string(i) + ".txt");
    ASSERT_TRUE(platform_test::WaitForFile(output, std::chrono::seconds(20))) << Hex(cases[i].parameters);
    EXPECT_EQ(Lines(platform::ReadWholeFile(output)), cases[i].args) << Hex(cases[i].parameters);
  }
}

#ifndef _WIN32
// Processes whose parent is this one, ended or not.
std::vector<int> ChildrenOfThisProcess() {
  std::vector<int> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream file(entry.path() / "stat");
    std::string stat;
    std::getline(file, stat);
    // pid (comm) state ppid ...; comm may hold blanks and parentheses.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    int ppid = 0;
    char state = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == getpid()) {
      children.push_back(std::stoi(name));
    }
  }
  return children;
}

// A started program that has ended leaves no zombie behind.
TEST(ShellStart, EndedProgramIsReaped) {
  TempFolder tmp;
  const std::string recorder = platform_test::ProgramFolder() + "plat_argv_recorder";
  ASSERT_TRUE(platform::FileExists(recorder));
  const std::string output = tmp / "args.txt";
  const std::string saved = platform::GetEnvironmentValue("MOKURENA_ARGV_FILE");
  platform::SetEnvironmentValue("MOKURENA_ARGV_FILE", output);
  platform::ShellStart(nullptr, "open", recorder, "x", platform::kShow);
  platform::SetEnvironmentValue("MOKURENA_ARGV_FILE", saved);
  ASSERT_TRUE(platform_test::WaitForFile(output, std::chrono::seconds(20)));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::vector<int> children = ChildrenOfThisProcess();
  while (!children.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    children = ChildrenOfThisProcess();
  }
  EXPECT_TRUE(children.empty()) << children.size() << " child processes left";
}
#endif

}  // namespace
