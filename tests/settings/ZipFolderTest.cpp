#include "settings/ZipFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(ZipFolderTest, OnlyNtFiveOneAndLaterOfferTheSwitch) {
  const struct {
    platform::OsVersionInfo version;
    bool expected;
  } cases[] = {
      {{2, 5, 0}, false},                                                                // Windows 2000
      {{2, 5, 1}, true},                                                                 // XP
      {{2, 5, 2}, true},                                                                 // Server 2003
      {{2, 6, 0}, true},  {{2, 10, 0}, true}, {{2, 4, 90}, false}, {{1, 4, 90}, false},  // Windows Me
      {{1, 6, 1}, false},  // never the 9x platform, whatever its number
      {{0, 0, 0}, false},  // version unknown
  };
  for (const auto& c : cases) {
    EXPECT_EQ(settings::IsXPOrLater(c.version), c.expected)
        << c.version.platformId << ": " << c.version.major << "." << c.version.minor;
  }
}

}  // namespace
