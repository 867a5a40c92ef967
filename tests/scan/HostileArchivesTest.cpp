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
  const char* script;  // the case in hostile_archives.py
  const char* file;    // the archive's file name (its suffix matters)
  int exitCode;
  std::vector<std::string> hits;  // "[ ext ] member" after "<path>: ", in order
  const char* error;              // part of the message on standard error; nullptr for none
  bool recursive = false;         // with --recursive
};

// Writes the archive of a case of hostile_archives.py into folder.
std::string MakeArchive(const std::string& folder, const std::string& script, const std::string& file) {
  const std::string archive = folder + "/" + script + "/" + file;
  const std::string make = "mkdir -p '" + folder + "/" + script + "' && python3 '" + MOKURENA_HOSTILE_SCRIPT + "' " +
                           script + " '" + archive + "'";
  EXPECT_EQ(std::system(make.c_str()), 0) << make;
  return archive;
}

scantest::ProgramRun Scan(const std::vector<std::string>& args) {
  return scantest::RunProgram(scantest::ScanProgram(), args, "", {"LC_ALL=C.UTF-8"});
}

TEST(HostileArchives, EveryExtractedNameIsJudgedAndDoubtIsAnError) {
  const char* const kDoubt = "extractors";
  const char* const kUnread = "could not be read; its members were not checked";
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
      {"zip_stored_zip_inside", "a.zip", 0, {}, nullptr},
      // Names: the extension the written file gets survives shortening.
      {"name_long_with_trailing_blanks", "a.zip", 1, {"[ exe ] *aaa.exe                "}, nullptr},
      {"name_long_with_nul_after_extension", "a.zip", 1, {"[ exe ] *aaa.exe"}, nullptr},
      {"name_bidi_override", "a.zip", 1, {"[ exe ] evil<U+202E>txt.exe"}, nullptr},
      // Compressed tar of every kind the library lists.
      {"tar_xz", "a.tar.xz", 1, {"[ exe ] bin\\evil.exe"}, nullptr},
      {"tar_xz", "a.txz", 1, {"[ exe ] bin\\evil.exe"}, nullptr},
      {"tar_zstd", "a.tar.zst", 1, {"[ exe ] bin\\evil.exe"}, nullptr},
      // tar: names and boundaries that readers take differently.
      {"tar_long_name_and_pax_path", "a.tar", 1, {"[ exe ] evil.exe"}, nullptr},
      {"tar_hard_link_with_size", "a.tar", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"tar_v7_folder_with_size", "a.tar", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"tar_hard_link_hides_member_in_data", "a.tar", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"tar_gz_hard_link_hides_member_in_data", "a.tar.gz", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"tar_v7_folder_hides_member_in_data", "a.tar", 2, {"[ exe ] evil.exe"}, kDoubt},
      {"tar_big_pax_header", "a.tar.gz", 1, {"[ exe ] bin\\evil.exe"}, nullptr},
      {"tar_member_after_end_blocks", "a.tar", 2, {"[ exe ] evil.exe"}, kDoubt},
      // Compressed files are the files they decompress to.
      {"gz_zero_block_not_tar", "payload.exe.gz", 1, {"[ exe ] payload.exe"}, nullptr},
      {"gz_not_tar", "evil.exe.gz", 1, {"[ exe ] evil.exe"}, nullptr},
      {"gz_stored_name_differs", "evil.exe.gz", 1, {"[ exe ] evil.exe"}, nullptr},
      {"gz_holding_tar", "evil.bat.gz", 1, {"[ bat ] evil.bat"}, nullptr},
      {"bz2_not_tar", "evil.exe.bz2", 1, {"[ exe ] evil.exe"}, nullptr},
      {"xz_not_tar", "evil.exe.xz", 1, {"[ exe ] evil.exe"}, nullptr},
      // LHA.
      {"lha_unicode_name", "a.lzh", 1, {"[ exe ] äöüÄÖÜ.exe"}, nullptr},
      {"lha_level0_without_crc", "a.lzh", 1, {"[ exe ] evil.exe"}, nullptr},
      {"lha_symlink_target", "a.lzh", 1, {"[ exe ] evil.exe"}, nullptr},
      // Compressed files inside archives are the files they decompress to.
      {"nested_compressed_files",
       "outer.zip",
       1,
       {"[ exe ] evil.exe.gz/evil.exe", "[ bat ] docs\\evil.bat.bz2/evil.bat", "[ exe ] tools\\evil.exe.xz/evil.exe",
        "[ exe ] readme.gz/evil.exe"},
       nullptr,
       true},
      {"nested_compressed_tar_in_tar",
       "outer.tar",
       1,
       {"[ bat ] evil.bat.gz/evil.bat", "[ exe ] evil.bat.gz/bin\\evil.exe", "[ exe ] a.tgz/bin\\evil.exe"},
       nullptr,
       true},
      // Nested archives: what the walk could not read is an error, never clean.
      {"nested_compressed_tar_hard_link", "outer.zip", 2, {"[ exe ] a.tar.gz/evil.exe"}, kDoubt, true},
      {"nested_in_single_compressed_file", "bundle.zip.gz", 1, {"[ exe ] bundle.zip/evil.exe"}, nullptr, true},
      {"nested_unopenable_member", "outer.zip", 2, {}, kUnread, true},
      {"nested_unreadable_below_our_reader", "outer.zip", 2, {}, kUnread, true},
      {"nested_device_member", "outer.zip", 2, {}, kUnread, true},
      {"nested_encrypted_member", "outer.zip", 2, {}, kUnread, true},
      {"nested_broken_gzip_member", "outer.zip", 2, {}, kUnread, true},
      {"nested_v7_tar", "outer.zip", 1, {"[ exe ] old.tar/evil.exe"}, nullptr, true},
      {"nested_text_like_a_signature", "outer.zip", 0, {}, nullptr, true},
      // Our reader lists it; libarchive misreads the members after the one
      // without a CRC, so their bytes were never looked into.
      {"lha_level0_without_crc", "a.lzh", 2, {"[ exe ] evil.exe"}, kUnread, true},
      // libarchive refuses the pax header that our reader reads: the members'
      // bytes were never looked into.
      {"tar_big_pax_header", "a.tar.gz", 2, {"[ exe ] bin\\evil.exe"}, "could not be read to its end", true},
  };
  const std::string folder = platform::CreateTempFolder("mokurena-hostile");
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.script);
    const std::string archive = MakeArchive(folder, c.script, c.file);
    std::vector<std::string> args = {"--ext", "exe,bat", archive};
    if (c.recursive) args.insert(args.begin(), "--recursive");
    const scantest::ProgramRun run = Scan(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    // A hit "[ ext ] *end" stands for a line whose member ends in "end".
    std::vector<std::string> lines = scantest::OutputLines(run.out);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < c.hits.size(); ++i) {
      std::string hit = archive + ": " + c.hits[i];
      const std::size_t star = hit.find("] *");
      if (star != std::string::npos && i < lines.size()) {
        const std::string end = hit.substr(star + 3);
        hit.erase(star + 2);
        if (lines[i].compare(0, hit.size(), hit) == 0 && lines[i].size() >= hit.size() + end.size() &&
            lines[i].compare(lines[i].size() - end.size(), end.size(), end) == 0)
          hit = lines[i];
        else
          hit += "*" + end;
      }
      expected.push_back(hit);
    }
    EXPECT_EQ(lines, expected);
    if (c.error) {
      EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(run.err, "");
    }
  }
  platform::RemoveTree(folder);
}

// Archives that break their budget in the middle of one call: an archive
// that never answers (a named pipe nobody writes) is stopped at its time
// limit, one whose listing needs more memory than its limit at that (a 4 MiB
// long name read whole by our reader; xz's dictionary of 64 MiB, whose
// decoder reports a failed allocation as an unknown format); each is an
// error naming the limit, and the archives before, between and after them
// have their normal results.
TEST(HostileArchives, BudgetsBrokenInTheMiddleOfACall) {
  const std::string folder = platform::CreateTempFolder("mokurena-limit");
  const std::string stalled = folder + "/stalled.tar";
  ASSERT_EQ(std::system(("mkfifo '" + stalled + "'").c_str()), 0);
  const std::string greedy = MakeArchive(folder, "tar_long_name_of_4_mib", "greedy.tar");
  const std::string tar = MakeArchive(folder, "tar_long_name_and_pax_path", "next.tar");
  const std::string gz = MakeArchive(folder, "gz_holding_tar", "evil.bat.gz");
  const std::string bigDictionary = MakeArchive(folder, "tar_xz_of_a_64_mib_dictionary", "big.tar.xz");
  const std::string timeError = ": the check took longer than its time limit of 1 s (--time-limit)";
  const std::string memoryError = ": the check needed more memory than its limit of 3 MiB (--memory-limit)";
  const std::string tarHit = tar + ": [ exe ] evil.exe";
  const std::string gzHit = gz + ": [ bat ] evil.bat";
  struct Case {
    const char* what;
    std::vector<std::string> archives;
    std::vector<std::string> out;
    std::vector<std::string> err;
    bool memoryLimited;  // needs the memory limit to hold (scantest::MemoryLimitsHold)
  };
  const Case cases[] = {
      {"time",
       {tar, stalled, gz, stalled, tar},
       {tarHit, gzHit, tarHit},
       {stalled + timeError, stalled + timeError},
       false},
      {"memory", {gz, greedy, tar, greedy}, {gzHit, tarHit}, {greedy + memoryError, greedy + memoryError}, true},
      {"both", {stalled, greedy, gz}, {gzHit}, {stalled + timeError, greedy + memoryError}, true},
      {"decoder", {bigDictionary, gz}, {gzHit}, {bigDictionary + memoryError}, true},
      {"decoder alone", {bigDictionary}, {}, {bigDictionary + memoryError}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.memoryLimited && !scantest::MemoryLimitsHold()) continue;
    std::vector<std::string> args = {"--ext", "exe,bat", "--time-limit", "1", "--memory-limit", "3"};
    args.insert(args.end(), c.archives.begin(), c.archives.end());
    const scantest::ProgramRun run = Scan(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(scantest::OutputLines(run.out), c.out);
    std::vector<std::string> err;
    for (const std::string& line : c.err) err.push_back("mokurena-scan: " + line);
    EXPECT_EQ(scantest::OutputLines(run.err), err);
  }
  // Within the default limit the greedy archives list.
  for (const std::string& archive : {greedy, bigDictionary}) {
    const scantest::ProgramRun run = Scan({"--ext", "exe", archive});
    EXPECT_EQ(run.exitCode, 1) << run.err;
  }
  platform::RemoveTree(folder);
}

// A memory limit counts what the check allocates, not the code of the
// libraries it loads: a compressed tar, whose library brings its
// compression and character set libraries, lists under 1 MiB.
TEST(HostileArchives, SmallMemoryLimitStillLoadsTheLibraries) {
  if (!scantest::MemoryLimitsHold()) GTEST_SKIP() << "the memory limit does not hold here";
  const std::string folder = platform::CreateTempFolder("mokurena-limit");
  const std::string gz = MakeArchive(folder, "gz_holding_tar", "evil.bat.gz");
  const scantest::ProgramRun run = Scan({"--ext", "bat", "--memory-limit", "1", gz});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(scantest::OutputLines(run.out), std::vector<std::string>{gz + ": [ bat ] evil.bat"});
  platform::RemoveTree(folder);
}

// --recursive: archives inside archives, each hit named by its path through
// them; the depth is a limit that fails closed.
TEST(HostileArchives, RecursiveJudgesArchivesInside) {
  const std::string folder = platform::CreateTempFolder("mokurena-nested");
  const std::string nested = MakeArchive(folder, "nested_zip", "outer.zip");
  const std::string deep = MakeArchive(folder, "nested_three_deep", "deep.zip");
  scantest::ProgramRun run = Scan({"--ext", "exe", nested, deep});
  EXPECT_EQ(run.exitCode, 0) << run.err;  // without it, only the outer members
  run = Scan({"--ext", "exe", "--recursive", nested, deep});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(scantest::OutputLines(run.out), (std::vector<std::string>{nested + ": [ exe ] docs\\inner.zip/evil.exe",
                                                                      deep + ": [ exe ] a.zip/b.zip/c.zip/evil.exe"}));
  run = Scan({"--ext", "exe", "--recursive=2", "--json", deep});
  EXPECT_EQ(run.exitCode, 2);
  scantest::Json object;
  std::string error;
  ASSERT_TRUE(scantest::ParseJson(scantest::OutputLines(run.out).at(0), object, error)) << error;
  EXPECT_NE(object["error"].text.find("depth limit of 2 (--recursive=DEPTH)"), std::string::npos) << run.out;
  EXPECT_EQ(object["members"].number, 1);
  run = Scan({"--ext", "exe", "--recursive", "--json", nested});
  ASSERT_TRUE(scantest::ParseJson(scantest::OutputLines(run.out).at(0), object, error)) << error;
  ASSERT_EQ(object["hits"].items.size(), 1u) << run.out;
  EXPECT_EQ(object["hits"][0]["member"].text, "evil.exe");
  ASSERT_EQ(object["hits"][0]["chain"].items.size(), 1u);
  EXPECT_EQ(object["hits"][0]["chain"][0].text, "docs\\inner.zip");
  EXPECT_EQ(object["members"].number, 2);  // the outer archive's own
  platform::RemoveTree(folder);
}

// A few kilobytes that expand past the limit end with an error naming it.
TEST(HostileArchives, MaxExpandedStopsABomb) {
  const std::string folder = platform::CreateTempFolder("mokurena-nested");
  const std::string bomb = MakeArchive(folder, "nested_bomb", "bomb.zip");
  scantest::ProgramRun run = Scan({"--ext", "exe", "--recursive", "--max-expanded", "1", bomb});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("expand past the limit of 1 MiB (--max-expanded)"), std::string::npos) << run.err;
  run = Scan({"--ext", "exe", "--recursive", bomb});  // 8 MiB are within the default
  EXPECT_EQ(run.exitCode, 0) << run.err;
  platform::RemoveTree(folder);
}

TEST(HostileArchives, MaxMembersStopsTheWalk) {
  const std::string folder = platform::CreateTempFolder("mokurena-nested");
  const std::string nested = MakeArchive(folder, "nested_zip", "outer.zip");
  scantest::ProgramRun run = Scan({"--ext", "exe", "--recursive", "--max-members", "3", nested});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("more members than the limit of 3 (--max-members)"), std::string::npos) << run.err;
  run = Scan({"--ext", "exe", "--recursive", "--max-members", "4", nested});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  platform::RemoveTree(folder);
}

}  // namespace
