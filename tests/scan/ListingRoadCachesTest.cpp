// What the listing road remembers to be fast must never answer for a world
// that has changed: entries of a library freed and loaded again, the time
// zone of a DOS time conversion.
#include <gtest/gtest.h>

#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/FileTime.h"
#include "platform/Files.h"
#include "tests/support/StandinSupport.h"

namespace {

TEST(ListingRoadCaches, EntriesOfAFreedLibraryAreLookedUpAgain) {
  for (int round = 0; round < 2; ++round) {
    // The full stand-in has the time entries, the bare one does not; both
    // are called UNLHA32.DLL and may well be loaded at the same address.
    for (const char* variant : {"full", "bare", "full"}) {
      const std::string path =
          platform::JoinPath(testsupport::StandinFolder(variant), "UNLHA32.DLL");
      platform::LibraryHandle library = platform::LoadDynamicLibrary(path);
      ASSERT_NE(library, nullptr) << path;
      EXPECT_NE(platform::FindEntry(library, "UnlhaFindNext"), nullptr);
      const bool full = std::string(variant) == "full";
      EXPECT_EQ(platform::FindEntry(library, "UnlhaGetWriteTimeEx") != nullptr, full) << variant;
      EXPECT_EQ(platform::FindEntry(library, "UnlhaGetWriteTimeEx") != nullptr, full) << variant << ", again";
      platform::FreeDynamicLibrary(library);
    }
  }
}

TEST(ListingRoadCaches, DosTimesFollowTheTimeZone) {
  if (platform::PathSeparator() == '\\') GTEST_SKIP() << "Win32 converts with the system's zone, not TZ";
  const std::string previous = platform::GetEnvironmentValue("TZ");
  std::uint64_t utc = 0, tokyo = 0, again = 0;
  platform::SetEnvironmentValue("TZ", "UTC0");
  ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x5A21, 0x6000, utc));
  platform::SetEnvironmentValue("TZ", "JST-9");
  ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x5A21, 0x6000, tokyo));
  platform::SetEnvironmentValue("TZ", "UTC0");
  ASSERT_TRUE(platform::DosDateTimeToUtcFileTime(0x5A21, 0x6000, again));
  platform::SetEnvironmentValue("TZ", previous);
  EXPECT_EQ(utc - tokyo, 9ULL * 3600 * 10000000);
  EXPECT_EQ(again, utc);
  std::uint64_t untouched = 7;
  EXPECT_FALSE(platform::DosDateTimeToUtcFileTime(0x5A5F, 0x6000, untouched));  // day 31 of February
  EXPECT_FALSE(platform::DosDateTimeToUtcFileTime(0x5A5F, 0x6000, untouched));  // and from memory
  EXPECT_EQ(untouched, 7u);
}

}  // namespace
