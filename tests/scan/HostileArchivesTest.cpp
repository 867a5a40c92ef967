// Archives built to hide a member from one reader while a common extractor
// creates it, each written by tests/scan/hostile_archives.py, checked
// through mokurena-scan and the real archiver libraries: every name that
// some extractor gives a member is reported, and an archive that extractors
// can read in more than one way is an error, never clean.
#include <gtest/gtest.h>

#include <cstdlib>

#include "RunProgram.h"
#include "ScanTestSupport.h"
#include "platform/Files.h"

namespace {

struct HostileCase {
  const char* script;   // the case in hostile_archives.py
  const char* file;     // the archive's file name (its suffix matters)
  int exitCode;
  std::vector<std::string> hits;  // "[ ext ] member" after "<path>: ", in order
  const char* error;    // part of the message on standard error; nullptr for none
};

TEST(HostileArchives, EveryExtractedNameIsJudgedAndDoubtIsAnError) {
  const char* const kDoubt = "extractors";
  const HostileCase cases[] = {
      // ZIP: names and structures that readers take differently.
      {"zip_local_name_differs", "a.zip", 1, {"[ exe ] evil.exe"}, nullptr},
      {"zip_uncovered_local", "a.zip", 2, {"[ exe ] evil.exe"}, "does not list"},
      {"zip_unreferenced_first_directory", "a.zip", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"zip_directory_in_comment", "a.zip", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"zip_zip64_disagrees", "a.zip", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"zip_directory_size_short", "a.zip", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"zip_glued_archives", "a.zip", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"zip_unicode_path_hides_stored_name", "a.zip", 1, {"[ exe ] evil.exe"}, nullptr},
      // What must stay a normal archive.
      {"zip_self_extractor", "setup.exe", 0, {}, nullptr},
      {"zip_self_extractor_adjusted", "setup.exe", 0, {}, nullptr},
      {"zip_data_descriptors", "a.zip", 0, {}, nullptr},
  };
  const std::string folder = platform::CreateTempFolder("mokurena-hostile");
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.script);
    const std::string archive = folder + "/" + c.script + "/" + c.file;
    const std::string make = "mkdir -p '" + folder + "/" + c.script + "' && python3 '" + MOKURENA_HOSTILE_SCRIPT +
                             "' " + c.script + " '" + archive + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const scantest::ProgramRun run =
        scantest::RunProgram(scantest::ScanProgram(), {"--ext", "exe,bat", archive}, "", {"LC_ALL=C.UTF-8"});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    std::vector<std::string> expected;
    for (const std::string& hit : c.hits) expected.push_back(archive + ": " + hit);
    EXPECT_EQ(scantest::OutputLines(run.out), expected);
    if (c.error) {
      EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(run.err, "");
    }
  }
  platform::RemoveTree(folder);
}

}  // namespace
