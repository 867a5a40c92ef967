// The archiver libraries as the program uses them: loaded by file name,
// listed through their entries, on archives made here by the real tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <sys/time.h>

#include "ArchiveTools.h"
#include "RarWriter.h"
#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

using namespace archives;
using namespace backends_test;

namespace {

constexpr std::int64_t kMtime = 1623760496;  // 2021-06-15 12:34:56 UTC
constexpr std::uint64_t kMtimeFileTime = (kMtime + 11644473600ULL) * 10000000ULL;

const std::string kJapaneseExe = "日本語\\表示.exe";  // 表 ends in 0x5C in Shift_JIS
const std::string kDeepExe = "deep\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\l\\m\\n\\o\\p\\q\\r\\s\\t\\deep.exe";

std::string LongPath(char separator) {  // exactly 500 bytes
  return "L" + std::string(1, separator) + std::string(200, 'a') + separator + std::string(200, 'b') + separator +
         std::string(92, 'c') + ".exe";
}
std::string OverlongPath(char separator) {  // 608 bytes, more than a record holds
  return "O" + std::string(1, separator) + std::string(250, 'a') + separator + std::string(250, 'b') + separator +
         std::string(100, 'c') + ".EXE";
}

std::string BigContent() {
  std::string text;
  while (text.size() < 100000) text += "The quick brown fox jumps over the lazy dog. ";
  text.resize(100000);
  return text;
}

void SetTime(const std::string& path) {
  struct timeval times[2] = {{kMtime, 0}, {kMtime, 0}};
  utimes(path.c_str(), times);
}

// Members every archive of the full tree holds (record names, "\" separated).
std::vector<std::string> CommonNames() {
  return {"readme.txt", "SETUP.EXE", "trailing.", "dots...", kJapaneseExe, kDeepExe, "big.bin"};
}

// A listed name without the "./" some tools put first.
std::string Plain(std::string name) {
  if (name.rfind(".\\", 0) == 0) name.erase(0, 2);
  return name;
}

class Archives : public ::testing::Test {
 protected:
  static TempFolder* folder;
  static std::string Path(const std::string& name) { return *folder / name; }

  static void SetUpTestSuite() {
    folder = new TempFolder();
    const std::string src = Path("src");
    std::vector<std::string> files = {"readme.txt",      "SETUP.EXE",
                                      "trailing.",       "dots...",
                                      "日本語/表示.exe", "deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe",
                                      LongPath('/'),     OverlongPath('/')};
    for (const std::string& f : files) WriteFile(src + "/" + f, "hello " + f);
    WriteFile(src + "/big.bin", BigContent());
    MakeFolders(src + "/empty");
    for (const std::string& f : files) SetTime(src + "/" + f);
    SetTime(src + "/big.bin");

    const std::vector<std::string> utf8 = {"LC_ALL=C.UTF-8"};
    RunTool({"zip", "-q", "-r", Path("infozip.zip"), "."}, src, utf8);
    RunTool({"7z", "a", "-bd", "-tzip", Path("utf8flag.zip"), "."}, src, utf8);
    RunTool({"7z", "a", "-bd", "-t7z", Path("plain.7z"), "."}, src, utf8);
    RunTool({"7z", "a", "-bd", "-t7z", "-psecret", "-mhe=on", Path("headers.7z"), "."}, src, utf8);
    RunTool({"7z", "a", "-bd", "-t7z", "-psecret", Path("members.7z"), "."}, src, utf8);
    RunTool({"tar", "-cf", Path("gnu.tar"), "."}, src, utf8);
    RunTool({"tar", "-czf", Path("gnu.tgz"), "."}, src, utf8);
    RunTool({"tar", "-cjf", Path("gnu.tar.bz2"), "."}, src, utf8);
    RunTool({"bsdtar", "--format", "pax", "-cf", Path("pax.tar"), "."}, src, utf8);
    RunTool({"bsdtar", "-cZf", Path("bsd.tar.Z"), "."}, src, utf8);
    RunTool({"sh", "-c", "gzip -c big.bin > " + Path("big.bin.gz")}, src);
    RunTool({"sh", "-c", "gzip -n -c readme.txt > " + Path("noname.dat.gz")}, src);
    RunTool({"sh", "-c", "bzip2 -c readme.txt > " + Path("single.txt.bz2")}, src);
    RunTool({"bsdtar", "--format", "raw", "-cZf", Path("single.txt.Z"), "readme.txt"}, src);
    // LHA as Japanese Windows writes it: Shift_JIS names.
    RunTool({"jlha", "a", Path("japanese.lzh"), "readme.txt", "SETUP.EXE", "trailing.", "dots...", "日本語/表示.exe",
             "deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe", "big.bin", LongPath('/'), OverlongPath('/')},
            src, {"LC_ALL=ja_JP.UTF-8", "LANG=ja_JP.UTF-8"});
    // Cabinet names hold at most 255 bytes: the long paths stay out.
    RunTool({"gcab", "-c", Path("plain.cab"), "readme.txt", "SETUP.EXE", "trailing.", "dots...", "日本語/表示.exe",
             "deep/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/deep.exe", "big.bin"},
            src, utf8);

    // ZIP of Shift_JIS names without the UTF-8 flag: zip stores the file
    // system's bytes as they are.
    const std::string sjis = Path("sjis");
    WriteFile(sjis + "/" + ToCp932("日本語") + "/" + ToCp932("表示.exe"), "x");
    WriteFile(sjis + "/" + ToCp932("ソフト.txt"), "y");
    RunTool({"zip", "-q", "-r", Path("sjis.zip"), "."}, sjis, {"LC_ALL=C"});

    const std::vector<RarMember> rar4Sjis = {
        {"readme.txt", "hello", false}, {ToCp932("日本語"), "", true}, {ToCp932("日本語\\表示.exe"), "x", false}};
    WriteFile(Path("sjis.rar"), MakeRar4(rar4Sjis));
    WriteFile(Path("unicode.rar"), MakeRar4({{"readme.txt", "hello", false}, {"日本語\\表示.exe", "x", false}}, true));
    const std::vector<RarMember> rar5 = {{"readme.txt", "hello", false},
                                         {"日本語", "", true},
                                         {"日本語/表示.exe", "x", false},
                                         {"SETUP.EXE", BigContent(), false}};
    WriteFile(Path("v5.rar"), MakeRar5(rar5));
    WriteFile(Path("headers4.rar"), MakeRar4(rar4Sjis, false, true));
    WriteFile(Path("headers5.rar"), MakeRar5(rar5, true));

    WriteFile(Path("garbage.bin"), std::string(4096, '\x5A'));
    WriteFile(Path("empty.bin"), "");
    WriteFile(Path("text.txt"), "just text, no archive\n");
  }

  static void TearDownTestSuite() {
    delete folder;
    folder = nullptr;
  }

  // The process's code page would come from the locale; tests fix it.
  void SetUp() override { platform::OverrideCodePage(platform::CodePage::Utf8); }
  void TearDown() override { platform::ClearCodePageOverride(); }
};
TempFolder* Archives::folder = nullptr;

struct LibraryCase {
  const char* file;
  const char* prefix;
};
const LibraryCase kLibraries[] = {{"UNLHA32.DLL", "Unlha"}, {"UNZIP32.DLL", "UnZip"}, {"CAB32.DLL", "Cab"},
                                  {"TAR32.DLL", "Tar"},     {"UNRAR32.DLL", "Unrar"}, {"7-zip32.dll", "SevenZip"}};

struct ArchiveCase {
  const char* archive;
  const char* library;
  const char* prefix;
  bool fullTree;  // holds every common name, the long ones included
};
const ArchiveCase kArchives[] = {
    {"infozip.zip", "UNZIP32.DLL", "UnZip", true}, {"utf8flag.zip", "UNZIP32.DLL", "UnZip", true},
    {"plain.7z", "7-zip32.dll", "SevenZip", true}, {"members.7z", "7-zip32.dll", "SevenZip", true},
    {"gnu.tar", "TAR32.DLL", "Tar", true},         {"gnu.tgz", "TAR32.DLL", "Tar", true},
    {"gnu.tar.bz2", "TAR32.DLL", "Tar", true},     {"pax.tar", "TAR32.DLL", "Tar", true},
    {"bsd.tar.Z", "TAR32.DLL", "Tar", true},       {"japanese.lzh", "UNLHA32.DLL", "Unlha", true},
    {"plain.cab", "CAB32.DLL", "Cab", false},
};

TEST_F(Archives, EveryLibraryHasTheEntriesOfItsPrefix) {
  for (const LibraryCase& c : kLibraries) {
    Library library(c.file, c.prefix);
    ASSERT_TRUE(library.loaded()) << c.file;
    for (const char* suffix : {"", "OpenArchive", "CloseArchive", "FindFirst", "FindNext", "CheckArchive",
                               "GetArchiveType", "SetOwnerWindowEx", "KillOwnerWindowEx", "GetCreateTimeEx",
                               "GetAccessTimeEx", "GetOriginalSizeEx", "GetCompressedSizeEx"}) {
      EXPECT_NE(library.Entry(suffix), nullptr) << c.file << " " << c.prefix << suffix;
    }
    const bool zip = std::string(c.prefix) == "UnZip";
    EXPECT_EQ(library.Entry("GetWriteTimeEx") != nullptr, !zip) << c.file;
    EXPECT_EQ(library.Entry("ExtractMem"), nullptr) << "listing only: " << c.file;
  }
  Library unzip("UNZIP32.DLL", "Unzip");
  EXPECT_NE(unzip.Entry("GetWriteTimeEx"), nullptr);  // lower-case z, as the binding asks
}

TEST_F(Archives, ToolMadeArchivesListEveryAwkwardName) {
  for (const ArchiveCase& c : kArchives) {
    SCOPED_TRACE(c.archive);
    Library library(c.library, c.prefix);
    int end = 0;
    bool opened = false;
    const std::vector<Listed> members = library.List(Path(c.archive), &end, &opened);
    ASSERT_TRUE(opened);
    EXPECT_EQ(end, -1);
    std::vector<std::string> names;
    for (const Listed& m : members) names.push_back(Plain(m.name));
    for (const std::string& expected : CommonNames())
      EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    for (const std::string& name : names) {
      EXPECT_EQ(name.find('/'), std::string::npos) << name;
      EXPECT_LE(name.size(), 512u);
    }
    if (c.fullTree) {
      EXPECT_NE(std::find(names.begin(), names.end(), LongPath('\\')), names.end());
      // The 608-byte name is shortened, its extension kept.
      const auto over = std::find_if(names.begin(), names.end(), [](const std::string& n) {
        return n.rfind("O\\aaaa", 0) == 0 && n.find("bbbb") != std::string::npos && n.back() != '\\';
      });
      ASSERT_NE(over, names.end());
      EXPECT_GE(over->size(), 505u);  // 512 before a leading ".\\" was taken off
      EXPECT_EQ(over->substr(over->size() - 8), "cccc.EXE");
    }
    EXPECT_NE(library.Check(Path(c.archive), 0), 0);
    EXPECT_NE(library.Check(Path(c.archive), 1), 0);
  }
}

TEST_F(Archives, FoldersAreMembersWithTheFolderAttribute) {
  for (const ArchiveCase& c : kArchives) {
    if (std::string(c.archive).find("cab") != std::string::npos) continue;  // a cabinet has no folders
    SCOPED_TRACE(c.archive);
    Library library(c.library, c.prefix);
    const std::vector<Listed> members = library.List(Path(c.archive));
    bool sawFolder = false;
    for (const Listed& m : members) {
      const std::string name = Plain(m.name);
      const bool folder = m.info.Attribute[3] == 'D';
      if (name == "empty" || name == "empty\\") {
        EXPECT_TRUE(folder);
        sawFolder = true;
      }
      if (name == "SETUP.EXE") {
        EXPECT_FALSE(folder);
      }
    }
    if (std::string(c.archive) != "japanese.lzh") {
      EXPECT_TRUE(sawFolder);  // jlha was given files only
    }
  }
}

TEST_F(Archives, JapaneseNamesInEveryEncodingComeOutInTheProcessCodePage) {
  struct Case {
    const char* archive;
    const char* library;
    const char* prefix;
    std::vector<std::string> names;  // UTF-8
  };
  const Case cases[] = {
      {"sjis.zip", "UNZIP32.DLL", "UnZip", {"日本語\\表示.exe", "ソフト.txt"}},
      {"utf8flag.zip", "UNZIP32.DLL", "UnZip", {kJapaneseExe}},
      {"infozip.zip", "UNZIP32.DLL", "UnZip", {kJapaneseExe}},
      {"japanese.lzh", "UNLHA32.DLL", "Unlha", {kJapaneseExe}},
      {"plain.7z", "7-zip32.dll", "SevenZip", {kJapaneseExe}},
      {"plain.cab", "CAB32.DLL", "Cab", {kJapaneseExe}},
      {"pax.tar", "TAR32.DLL", "Tar", {kJapaneseExe}},
      {"sjis.rar", "UNRAR32.DLL", "Unrar", {"日本語\\表示.exe", "readme.txt"}},
      {"unicode.rar", "UNRAR32.DLL", "Unrar", {"日本語\\表示.exe"}},
      {"v5.rar", "UNRAR32.DLL", "Unrar", {"日本語\\表示.exe", "SETUP.EXE"}},
  };
  for (platform::CodePage page : {platform::CodePage::Utf8, platform::CodePage::Cp932}) {
    platform::OverrideCodePage(page);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.archive) + (page == platform::CodePage::Cp932 ? " in 932" : " in UTF-8"));
      Library library(c.library, c.prefix);
      int end = 0;
      std::vector<std::string> names;
      for (const Listed& m : library.List(Path(c.archive), &end)) names.push_back(Plain(m.name));
      EXPECT_EQ(end, -1);
      for (const std::string& utf8 : c.names) {
        const std::string expected = page == platform::CodePage::Cp932 ? ToCp932(utf8) : utf8;
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << utf8;
      }
    }
  }
}

TEST_F(Archives, TheUtf8FlagIsReallySetInTheFlaggedZip) {
  // Without this the flagged case above would prove nothing.
  const std::string bytes = ReadFile(Path("utf8flag.zip"));
  bool flagged = false;
  for (std::size_t at = bytes.find("PK\x01\x02"); at != std::string::npos; at = bytes.find("PK\x01\x02", at + 4))
    if (at + 10 <= bytes.size() && (static_cast<unsigned char>(bytes[at + 9]) & 0x08)) flagged = true;
  EXPECT_TRUE(flagged);
  const std::string sjis = ReadFile(Path("sjis.zip"));
  EXPECT_NE(sjis.find(ToCp932("表示.exe")), std::string::npos);
}

TEST_F(Archives, EachLibraryRefusesEveryOtherFormat) {
  // The content probes ask every library in turn: a wrong yes would pick the
  // wrong format.
  const char* archives[] = {"infozip.zip", "plain.7z", "gnu.tar",     "japanese.lzh", "plain.cab",
                            "v5.rar",      "sjis.rar", "garbage.bin", "empty.bin",    "text.txt"};
  const std::pair<const char*, std::vector<std::string>> own[] = {
      {"UnZip", {"infozip.zip"}},  {"SevenZip", {"plain.7z"}}, {"Tar", {"gnu.tar"}},
      {"Unlha", {"japanese.lzh"}}, {"Cab", {"plain.cab"}},     {"Unrar", {"v5.rar", "sjis.rar"}}};
  for (const LibraryCase& c : kLibraries) {
    Library library(c.file, c.prefix);
    std::vector<std::string> mine;
    for (const auto& o : own)
      if (o.first == std::string(c.prefix)) mine = o.second;
    for (const char* archive : archives) {
      const bool expected = std::find(mine.begin(), mine.end(), archive) != mine.end();
      EXPECT_EQ(library.Check(Path(archive), 0) != 0, expected) << c.file << " " << archive;
      ArcHandle handle = library.Open(Path(archive));
      EXPECT_EQ(handle != nullptr, expected) << c.file << " " << archive;
      if (handle) library.Close(handle);
    }
    EXPECT_EQ(library.Open(Path("missing.zip")), nullptr);
    EXPECT_EQ(library.Open(folder->path()), nullptr);
  }
}

TEST_F(Archives, TarArchiveTypeCodes) {
  Library tar("TAR32.DLL", "Tar");
  const std::pair<const char*, int> cases[] = {{"gnu.tar", 1},     {"pax.tar", 1},        {"gnu.tgz", 2},
                                               {"bsd.tar.Z", 3},   {"big.bin.gz", 4},     {"single.txt.Z", 5},
                                               {"gnu.tar.bz2", 6}, {"single.txt.bz2", 7}, {"infozip.zip", 0},
                                               {"text.txt", 0},    {"empty.bin", 0},      {"missing.tar", -1}};
  for (const auto& c : cases) EXPECT_EQ(tar.ArchiveType(Path(c.first)), c.second) << c.first;
}

TEST_F(Archives, SingleCompressedFilesListTheirOneMember) {
  Library tar("TAR32.DLL", "Tar");
  const std::pair<const char*, const char*> cases[] = {{"big.bin.gz", "big.bin"},        // name in the header
                                                       {"noname.dat.gz", "noname.dat"},  // from the file name
                                                       {"single.txt.bz2", "single.txt"},
                                                       {"single.txt.Z", "single.txt"}};
  for (const auto& c : cases) {
    int end = 0;
    EXPECT_EQ(Names(tar.List(Path(c.first), &end)), std::vector<std::string>{c.second}) << c.first;
    EXPECT_EQ(end, -1);
  }
}

TEST_F(Archives, TimesAndSizesOfTheCurrentMember) {
  struct Case {
    const char* archive;
    const char* library;
    const char* prefix;
    bool compressedKnown;
    const char* method;  // when the compressed size is known
  };
  const Case cases[] = {{"infozip.zip", "UNZIP32.DLL", "UnZip", true, "Deflate"},
                        {"plain.7z", "7-zip32.dll", "SevenZip", false, ""},
                        {"gnu.tgz", "TAR32.DLL", "Tar", false, ""},
                        {"japanese.lzh", "UNLHA32.DLL", "Unlha", true, "-lh5-"},
                        {"plain.cab", "CAB32.DLL", "Cab", false, ""},
                        {"v5.rar", "UNRAR32.DLL", "Unrar", false, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    Library library(c.library, c.prefix);
    const std::vector<Listed> members = library.List(Path(c.archive));
    const Listed* big = FindMember(members, "big.bin");
    if (!big) big = FindMember(members, ".\\big.bin");
    if (!big) big = FindMember(members, "SETUP.EXE");  // the RAR's large member
    ASSERT_NE(big, nullptr);
    ASSERT_TRUE(big->hasOriginal);
    EXPECT_EQ(big->original, 100000u);
    EXPECT_EQ(+big->info.OriginalSize, 100000u);
    ASSERT_TRUE(big->hasWrite);
    // DOS times have two-second steps.
    EXPECT_LE(big->write > kMtimeFileTime ? big->write - kMtimeFileTime : kMtimeFileTime - big->write, 20000000u);
    EXPECT_NE(+big->info.DosDate, 0);
    EXPECT_EQ(big->hasCompressed, c.compressedKnown);
    if (c.compressedKnown) {
      EXPECT_LT(big->compressed, 100000u);
      EXPECT_EQ(+big->info.CompressedSize, big->compressed);
      EXPECT_EQ(+big->info.Ratio, big->compressed * 1000 / 100000);
      EXPECT_STREQ(big->info.Mode, c.method);
    }
    // The 64-bit tail of the record belongs to the caller: never written.
    std::uint64_t untouched;
    std::memset(&untouched, 0xCC, sizeof untouched);
    const std::uint64_t lastWrite = big->info.LastWriteTime;  // packed: copy, never bind
    const std::uint64_t compressed64 = big->info.CompressedSize64;
    EXPECT_EQ(lastWrite, untouched);
    EXPECT_EQ(compressed64, untouched);
  }
}

TEST_F(Archives, ValuesNeedACurrentMember) {
  Library zip("UNZIP32.DLL", "UnZip");
  Library unzip("UNZIP32.DLL", "Unzip");  // for UnzipGetWriteTimeEx
  auto writeTime = reinterpret_cast<GetTimeExEntry>(unzip.Entry("GetWriteTimeEx"));
  auto size = reinterpret_cast<GetSizeExEntry>(zip.Entry("GetOriginalSizeEx"));
  auto first = reinterpret_cast<FindFirstEntry>(zip.Entry("FindFirst"));
  auto next = reinterpret_cast<FindNextEntry>(zip.Entry("FindNext"));
  ArcHandle archive = zip.Open(Path("sjis.zip"));
  ASSERT_NE(archive, nullptr);
  std::uint64_t value = 0;
  EXPECT_EQ(writeTime(archive, &value), 0);  // before FindFirst
  EXPECT_EQ(size(archive, &value), 0);
  TMemberInfo info;
  EXPECT_EQ(next(archive, &info), 0x8022);  // FindNext before FindFirst
  ASSERT_EQ(first(archive, "*.*", &info), 0);
  const std::string firstName = info.FileName;
  EXPECT_NE(writeTime(archive, &value), 0);
  int r;
  while ((r = next(archive, &info)) == 0) {
  }
  EXPECT_EQ(r, -1);
  EXPECT_EQ(next(archive, &info), -1);  // stays at the end
  EXPECT_EQ(writeTime(archive, &value), 0);
  // A second FindFirst starts over.
  ASSERT_EQ(first(archive, "*.*", &info), 0);
  EXPECT_EQ(firstName, info.FileName);
  EXPECT_EQ(zip.Close(archive), 0);
  // The handle is gone: every entry says so instead of touching freed memory.
  EXPECT_EQ(first(archive, "*.*", &info), 0x8021);
  EXPECT_EQ(zip.Close(archive), 0x8021);
  EXPECT_EQ(writeTime(archive, &value), 0);
  int bogus = 0;
  EXPECT_EQ(first(&bogus, "*.*", &info), 0x8021);
  EXPECT_EQ(first(nullptr, "*.*", &info), 0x8021);
}

TEST_F(Archives, WildcardsSelectMembers) {
  Library zip("UNZIP32.DLL", "UnZip");
  const std::vector<std::string> all = Names(zip.List(Path("infozip.zip")));
  auto endsWithExe = [](const std::string& n) {
    return n.size() >= 4 && platform::AnsiSameText(n.substr(n.size() - 4), ".exe");
  };
  struct Case {
    const char* wildcard;
    std::function<bool(const std::string&)> selects;
  };
  const Case cases[] = {
      {"*.exe", endsWithExe},
      {"setup.*", [](const std::string& n) { return n == "SETUP.EXE"; }},
      {"big.bin readme.txt", [](const std::string& n) { return n == "big.bin" || n == "readme.txt"; }},
      {"deep\\*\\deep.exe", [](const std::string& n) { return n == kDeepExe; }},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (const std::string& n : all)
      if (c.selects(n)) expected.push_back(n);
    ASSERT_FALSE(expected.empty()) << c.wildcard;
    EXPECT_EQ(Names(zip.List(Path("infozip.zip"), nullptr, nullptr, c.wildcard)), expected) << c.wildcard;
  }
  EXPECT_GE(std::count_if(all.begin(), all.end(), endsWithExe), 5);  // the long ones too
}

TEST_F(Archives, EncryptedHeadersFailToOpenButEncryptedMembersList) {
  const std::pair<const char*, LibraryCase> refused[] = {{"headers.7z", {"7-zip32.dll", "SevenZip"}},
                                                         {"headers4.rar", {"UNRAR32.DLL", "Unrar"}},
                                                         {"headers5.rar", {"UNRAR32.DLL", "Unrar"}}};
  for (const auto& c : refused) {
    Library library(c.second.file, c.second.prefix);
    EXPECT_EQ(library.Open(Path(c.first)), nullptr) << c.first;
    EXPECT_EQ(library.Check(Path(c.first), 0), 0) << c.first;
  }
  Library sevenZip("7-zip32.dll", "SevenZip");
  int end = 0;
  const std::vector<Listed> members = sevenZip.List(Path("members.7z"), &end);
  EXPECT_NE(FindMember(members, "SETUP.EXE"), nullptr);
  EXPECT_EQ(end, -1);
}

TEST_F(Archives, TheCommandEntryOnlyAnswersWithAnError) {
  for (const LibraryCase& c : kLibraries) {
    Library library(c.file, c.prefix);
    auto command = reinterpret_cast<CommandEntry>(library.Entry(""));
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(command(nullptr, "x archive.zip", buffer, 10), 0x8023) << c.file;
    EXPECT_LT(std::strlen(buffer), 10u);
    EXPECT_EQ(buffer[15], 'x');  // nothing past the size given
    EXPECT_EQ(command(nullptr, "x archive.zip", nullptr, 0), 0x8023);
    auto setOwner = reinterpret_cast<SetOwnerWindowExEntry>(library.Entry("SetOwnerWindowEx"));
    auto killOwner = reinterpret_cast<KillOwnerWindowExEntry>(library.Entry("KillOwnerWindowEx"));
    int window = 0;
    EXPECT_NE(setOwner(&window, nullptr), 0);
    EXPECT_NE(killOwner(&window), 0);
  }
}

TEST_F(Archives, DamagedArchivesFailCleanly) {
  // Cut and scrambled copies of every archive: an open may fail or the
  // listing may end early, but nothing may crash or read out of bounds (the
  // sanitizer build checks the latter).
  std::vector<std::pair<std::string, LibraryCase>> sources;
  for (const ArchiveCase& c : kArchives) sources.push_back({c.archive, {c.library, c.prefix}});
  sources.push_back({"sjis.rar", {"UNRAR32.DLL", "Unrar"}});
  sources.push_back({"v5.rar", {"UNRAR32.DLL", "Unrar"}});
  sources.push_back({"sjis.zip", {"UNZIP32.DLL", "UnZip"}});
  std::mt19937 random(12345);
  for (const auto& source : sources) {
    SCOPED_TRACE(source.first);
    Library library(source.second.file, source.second.prefix);
    const std::string bytes = ReadFile(Path(source.first));
    ASSERT_FALSE(bytes.empty());
    const std::string damaged = Path("damaged-" + source.first);
    std::vector<std::size_t> cuts = {0, 1, 7, 22, bytes.size() / 2, bytes.size() - 1};
    for (int i = 0; i < 12; ++i) cuts.push_back(random() % bytes.size());
    for (std::size_t cut : cuts) {
      WriteFile(damaged, bytes.substr(0, cut));
      int end = 0;
      bool opened = false;
      library.List(damaged, &end, &opened);
      if (opened) {
        EXPECT_TRUE(end == -1 || end >= 0x8000) << end;
      }
      library.Check(damaged, 1);
    }
    for (int round = 0; round < 24; ++round) {
      std::string scrambled = bytes;
      // Hit the end records of ZIP and the headers at the front alike.
      const std::size_t span = std::min<std::size_t>(scrambled.size(), 4096);
      for (int k = 0; k < 8; ++k) {
        const std::size_t at = (round % 2 ? scrambled.size() - span : 0) + random() % span;
        scrambled[at] = static_cast<char>(random());
      }
      WriteFile(damaged, scrambled);
      int end = 0;
      bool opened = false;
      library.List(damaged, &end, &opened);
      if (opened) {
        EXPECT_TRUE(end == -1 || end >= 0x8000) << end;
      }
    }
  }
}

}  // namespace
