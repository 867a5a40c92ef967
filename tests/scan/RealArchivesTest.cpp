// mokurena-scan on archives made here by the real tools, listed through the
// real archiver libraries, which the natively built program finds in
// <build>/backends by itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iconv.h>
#include <set>

#include "RunProgram.h"
#include "ScanTestSupport.h"
#include "platform/Files.h"

namespace {

std::string Cp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  char* o = &out[0];
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

int Tool(const std::string& command) { return std::system(command.c_str()); }

const std::string kLong =
    "long/" + std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(87, 'c') + ".exe";  // 500 bytes

class RealArchives : public ::testing::Test {
 protected:
  static std::string folder;

  static void SetUpTestSuite() {
    folder = platform::CreateTempFolder("mokurena-scanreal");
    const std::string src = folder + "/src";
    for (const std::string& f : {std::string("readme.txt"), std::string("SETUP.EXE"), std::string("evil.exe."),
                                 std::string("trailing."), std::string("日本語/表示.exe"),
                                 std::string("deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe"), kLong}) {
      Tool("mkdir -p \"$(dirname '" + src + "/" + f + "')\" && echo x > '" + src + "/" + f + "'");
    }
    Tool("mkdir -p '" + src + "/folder.exe'");
    const std::string in = "cd '" + src + "' && LC_ALL=C.UTF-8 ";
    Tool(in + "zip -q -r ../infozip.zip .");
    Tool(in + "7z a -bd -bso0 -t7z ../plain.7z . >/dev/null");
    Tool(in + "7z a -bd -bso0 -t7z -psecret -mhe=on ../headers.7z . >/dev/null");
    Tool(in + "tar -cf ../gnu.tar .");
    Tool(in + "tar -czf ../gnu.tar.gz .");
    Tool(in + "bsdtar --format pax -cf ../pax.tar .");
    Tool("cd '" + src +
         "' && LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 jlha a ../japanese.lzh readme.txt SETUP.EXE "
         "evil.exe. trailing. 日本語/表示.exe deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe '" +
         kLong + "' >/dev/null 2>&1");
    // Cabinet names hold at most 255 bytes: the long path stays out.
    Tool(in +
         "gcab -c ../plain.cab readme.txt SETUP.EXE evil.exe. 日本語/表示.exe "
         "deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe");
    // Shift_JIS names without the UTF-8 flag, as zip stores the file system's bytes.
    const std::string sjis = folder + "/sjis";
    Tool("mkdir -p '" + sjis + "/" + Cp932("日本語") + "' && echo x > '" + sjis + "/" + Cp932("日本語") + "/" +
         Cp932("表示.exe") + "' && echo y > '" + sjis + "/" + Cp932("ソフト.txt") + "'");
    Tool("cd '" + sjis + "' && LC_ALL=C zip -q -r ../sjis.zip .");
    // A ZIP cut in the middle of its central directory.
    Tool("head -c $(( $(stat -c %s '" + folder + "/infozip.zip') - 100 )) '" + folder + "/infozip.zip' > '" + folder +
         "/cut.zip'");
  }
  static void TearDownTestSuite() { platform::RemoveTree(folder); }

  static scantest::ProgramRun Scan(const std::vector<std::string>& args) {
    return scantest::RunProgram(scantest::ScanProgram(), args, "", {"LC_ALL=C.UTF-8"});
  }
};
std::string RealArchives::folder;

// The reported members without the "./" some tools put first.
std::set<std::string> HitMembers(const scantest::Json& object) {
  std::set<std::string> members;
  for (const scantest::Json& hit : object["hits"].items) {
    std::string name = hit["member"].text;
    if (name.rfind(".\\", 0) == 0) name.erase(0, 2);
    members.insert(name);
  }
  return members;
}

TEST_F(RealArchives, EveryFormatReportsTheWatchedMembers) {
  std::string longRecord = kLong;
  std::replace(longRecord.begin(), longRecord.end(), '/', '\\');
  const std::set<std::string> all = {"SETUP.EXE", "evil.exe.", "日本語\\表示.exe",
                                     "deep\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\l\\m\\n\\o\\p\\q\\r\\s\\t\\deep.exe",
                                     longRecord};
  std::set<std::string> noLong = all;
  noLong.erase(longRecord);
  struct Case {
    const char* archive;
    const std::set<std::string>* hits;
  };
  const Case cases[] = {{"infozip.zip", &all}, {"plain.7z", &all},     {"gnu.tar", &all},     {"gnu.tar.gz", &all},
                        {"pax.tar", &all},     {"japanese.lzh", &all}, {"plain.cab", &noLong}};
  std::vector<std::string> args = {"--json"};
  for (const Case& c : cases) args.push_back(folder + "/" + c.archive);
  const scantest::ProgramRun run = Scan(args);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::vector<std::string> lines = scantest::OutputLines(run.out);
  ASSERT_EQ(lines.size(), std::size(cases)) << run.out << run.err;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(cases[i].archive);
    scantest::Json object;
    std::string error;
    ASSERT_TRUE(scantest::ParseJson(lines[i], object, error)) << error;
    EXPECT_TRUE(object["watched"].boolean);
    EXPECT_EQ(HitMembers(object), *cases[i].hits);
    for (const scantest::Json& hit : object["hits"].items) EXPECT_EQ(hit["extension"].text, "exe");
  }
}

TEST_F(RealArchives, ShiftJisNamesAndTextOutput) {
  const std::string archive = folder + "/sjis.zip";
  const scantest::ProgramRun run = Scan({archive});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(scantest::OutputLines(run.out), std::vector<std::string>{archive + ": [ exe ] 日本語\\表示.exe"});
}

TEST_F(RealArchives, ArchivesThatDoNotOpen) {
  const scantest::ProgramRun run =
      Scan({folder + "/headers.7z", folder + "/cut.zip", folder + "/src/readme.txt", folder + "/sjis.zip"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(scantest::OutputLines(run.err).size(), 3u) << run.err;
  EXPECT_EQ(scantest::OutputLines(run.out).size(), 1u) << run.out;  // sjis.zip is still checked
}

// A gateway may preload another allocator in the C library's place. The
// scan's own malloc (which counts failed allocations) passes every call on
// to it through the C library's __libc_ names, which the common allocators
// define too, or, where it lacks them, keeps to the C library's allocator
// for malloc, calloc, realloc and free alike: no block reaches a free that
// did not make it, and the results are those without it, from a worker and
// from the process itself.
TEST_F(RealArchives, UnderAnAllocatorPreloadedInTheCLibrarysPlace) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer must come first among the libraries";
#endif
  std::vector<std::string> worker = {"--json", "--list"};
  for (const char* archive : {"infozip.zip", "plain.7z", "gnu.tar.gz", "japanese.lzh", "plain.cab", "sjis.zip"}) {
    worker.push_back(folder + "/" + archive);
  }
  const std::vector<std::string> here = {folder + "/gnu.tar.gz"};
  for (const char* allocator : {MOKURENA_ALLOCATOR_WITH_LIBC_NAMES, MOKURENA_ALLOCATOR_WITHOUT_LIBC_NAMES}) {
    for (const auto& args : {worker, here}) {
      SCOPED_TRACE(std::string(allocator) + (args.size() == 1 ? ", one archive" : ", a worker"));
      const scantest::ProgramRun usual = Scan(args);
      const scantest::ProgramRun run = scantest::RunProgram(scantest::ScanProgram(), args, "",
                                                            {"LC_ALL=C.UTF-8", std::string("LD_PRELOAD=") + allocator});
      EXPECT_EQ(run.exitCode, usual.exitCode) << run.err;
      EXPECT_EQ(run.out, usual.out);
      EXPECT_EQ(run.err, usual.err);
    }
  }
}

}  // namespace
