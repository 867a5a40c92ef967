// What the listing road remembers to be fast must never answer for a world
// that has changed: entries of a library freed and loaded again.
#include <gtest/gtest.h>

#include "platform/DynamicLibrary.h"
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

}  // namespace
