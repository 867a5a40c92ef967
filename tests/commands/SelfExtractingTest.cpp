// Self-extracting archives: output names, stubs found through the search
// order and the 7-Zip folder, outputs compared byte for byte, every refusal
// before any file is touched, and ZIP changes that keep their archive.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archives/ArchiverErrors.h"
#include "archives/SZIP32.h"
#include "archives/SelfExtracting.h"
#include "archives/TAR32.h"
#include "archives/YZ132.h"
#include "archives/ZIP32.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "tests/commands/CommandTestSupport.h"
#include "tests/platform/TestSupport.h"
#include "tests/support/PlatformHooks.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace archives;
using archivetest::Scratch;
using commandtest::CommandTest;
using commandtest::Logged;
using commandtest::ReadLogged;
using testsupport::ScopedCallLog;
using testsupport::ScopedEnvironmentValue;

const std::string kSep(1, platform::PathSeparator());

// Bytes that a text-mode copy or a C-string copy would damage.
std::string Content(const std::string& tag, std::size_t size) {
  std::string bytes = tag + std::string("\0\x1a\r\n\xff", 5);
  for (std::size_t i = bytes.size(); i < size; ++i) bytes += static_cast<char>(i * 7);
  bytes.resize(size);
  return bytes;
}

// A folder of stub files put first in the search path for the life of the
// object; each stub holds "stub:" and its name.
class StubFolder {
 public:
  explicit StubFolder(const std::vector<std::string>& stubs)
      : path_("PATH", scratch_.Folder() + (platform::PathSeparator() == '\\' ? ";" : ":") +
                          platform::GetEnvironmentValue("PATH")) {
    for (const std::string& stub : stubs) Put(stub);
  }
  std::string Put(const std::string& name) {
    platform::WriteWholeFile(scratch_.Path(name), StubContent(name));
    return scratch_.Path(name);
  }
  static std::string StubContent(const std::string& name) { return Content("stub:" + name, 300); }

 private:
  Scratch scratch_;
  ScopedEnvironmentValue path_;
};

// The 7-Zip folder in the registry for the life of the object (Win32: the
// throwaway Wine prefix's HKLM; POSIX: the in-memory substitute).
class ScopedSevenZipFolder {
 public:
  static bool AlreadyThere() {
    platform::RegistryKey key(platform::RegistryRoot::LocalMachine, platform::kKeyRead);
    return key.OpenKey("SOFTWARE\\7-ZIP", false);
  }
  explicit ScopedSevenZipFolder(const std::string& folder) {
    platform::RegistryKey key(platform::RegistryRoot::LocalMachine, platform::kKeyAllAccess);
    if (!key.OpenKey("SOFTWARE\\7-ZIP", true)) throw std::runtime_error("cannot create the key");
    key.WriteString("Path", folder);
  }
  ~ScopedSevenZipFolder() {
#ifdef _WIN32
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\7-ZIP");
#else
    platform::ResetSubstituteRegistry();
#endif
  }
  ScopedSevenZipFolder(const ScopedSevenZipFolder&) = delete;
  ScopedSevenZipFolder& operator=(const ScopedSevenZipFolder&) = delete;
};

class SfxTest : public CommandTest {
 protected:
  // The archive written into the scratch folder; returns its path.
  std::string Archive(const std::string& name, std::size_t size = 1000) {
    platform::WriteWholeFile(scratch.Path(name), Content("archive:" + name, size));
    return scratch.Path(name);
  }
  std::string ArchiveContent(const std::string& name, std::size_t size = 1000) {
    return Content("archive:" + name, size);
  }

  // Runs MakeSfx; the text of the EArchiver it raised, or "" when none.
  std::string Refusal(TArchiver& archiver, const std::string& archive, const TArchiverOptions& options,
                      const std::string& folder = "") {
    std::string line = "keep", output = "keep";
    try {
      archiver.MakeSfx(nullptr, archive, options, folder, line, output);
    } catch (const EArchiver& e) {
      EXPECT_EQ(line, "keep");
      return e.what();
    }
    return "";
  }
};

TEST(SfxOutputName, ExtensionAndFolder) {
  const std::string w = "w" + kSep;
  const struct {
    std::string archive, extension, folder, expected;
  } cases[] = {
      {w + "a.zip", ".EXE", "", w + "a.EXE"},
      {w + "a", ".exe", "", w + "a.exe"},
      {w + "a.b.yz1", ".exe", "", w + "a.b.exe"},
      {"w.d" + kSep + "a", ".exe", "", "w.d" + kSep + "a.exe"},
      {w + "a.tar", ".EXE", "out", "out" + kSep + "a.EXE"},
      {w + "a.tar", ".EXE", "out" + kSep, "out" + kSep + "a.EXE"},
      {"a.tgz", ".EXE", "out", "out" + kSep + "a.EXE"},
      {w + "a.7z", ".exe", kNotSetText, w + "a.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sfx::OutputName(c.archive, c.extension, c.folder), c.expected) << c.archive;
  }
  // A folder ending in a double-byte character whose second byte has the
  // value of "\" (表 in Shift_JIS) still gets its separator.
  platform::OverrideCodePage(platform::CodePage::Cp932);
  if (platform::ActiveCodePage() == platform::CodePage::Cp932) {
    EXPECT_EQ(sfx::OutputName("a.tar", ".EXE", "out\x95\x5C"), "out\x95\x5C" + kSep + "a.EXE");
  }
  platform::ClearCodePageOverride();
}

TEST(SfxYz1Trailer, BigEndianSizeUpToFourGiB) {
  const struct {
    std::uint32_t size;
    std::string bytes;
  } cases[] = {
      {1000, std::string("\x00\x00\x03\xE8", 4)},
      {0x12345678, "\x12\x34\x56\x78"},
      {0, std::string(4, '\0')},
      {0xFFFFFFFF, "\xFF\xFF\xFF\xFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(sfx::BigEndianSize(c.size), c.bytes) << c.size;

  EXPECT_NO_THROW(sfx::RefuseYz1Size(0));
  EXPECT_NO_THROW(sfx::RefuseYz1Size(0xFFFFFFFFull));
  for (std::uint64_t tooLarge : {0x100000000ull, 0x100000001ull, ~0ull}) {
    try {
      sfx::RefuseYz1Size(tooLarge);
      ADD_FAILURE() << tooLarge << ": no exception";
    } catch (const EArchiver& e) {
      EXPECT_STREQ(e.what(), "4 GB 以上の yz1 書庫は自己解凍形式にできません。");
    }
  }
}

TEST_F(SfxTest, ZipJoinsStubAndArchiveThenTheLibraryFinishes) {
  StubFolder stubs({"sfx16.dat", "sfx32gui.dat"});
  for (std::int8_t gw : {-1, 1}) {
    const char* stub = gw > 0 ? "sfx32gui.dat" : "sfx16.dat";
    std::string archive = Archive("a.zip");
    TArchiverOptions options;
    options.gw = gw;
    TZip32 zip;
    ScopedCallLog log;
    std::string line;
    std::string output;
    EXPECT_EQ(zip.MakeSfx(nullptr, archive, options, "", line, output), 0);
    const std::string exe = scratch.Path("a.EXE");
    EXPECT_EQ(platform::ReadWholeFile(exe), StubFolder::StubContent(stub) + ArchiveContent("a.zip")) << stub;
    EXPECT_FALSE(platform::FileExists(archive));  // the library makes the rest from the output
    EXPECT_EQ(line, "-A " + exe);
    Logged logged = ReadLogged(log);
    EXPECT_EQ(logged.calls, std::vector<std::string>{"ZIP32J.DLL Zip"});
    EXPECT_EQ(logged.lines, std::vector<std::string>{"-A " + exe});
    platform::RemoveFile(exe);
  }
}

TEST_F(SfxTest, ZipRefusesBeforeTouchingAnyFile) {
  const struct {
    std::vector<std::string> libraries;
    std::vector<std::string> stubs;
    std::int8_t gw;
    const char* message;
  } cases[] = {
      {{"UNZIP32.DLL", "LMZIP32.DLL"},
       {"sfx16.dat", "sfx32gui.dat"},
       1,
       "zip 書庫からの自己解凍書庫の作成には 'ZIP32J.DLL' ファイルが必要です。"},
      {{"ZIP32J.DLL"},
       {"sfx32gui.dat"},
       -1,
       "zip 書庫からのDOS自己解凍書庫の作成には 'sfx16.dat' ファイルが必要です。"},
      {{"ZIP32J.DLL"},
       {"sfx16.dat"},
       1,
       "zip 書庫からのWin32自己解凍書庫の作成には 'sfx32gui.dat' ファイルが必要です。"},
  };
  for (const auto& c : cases) {
    archivetest::ForgetAllBindings();
    testsupport::ScopedLibraryFolder libraries("full", c.libraries);
    StubFolder stubs(c.stubs);
    std::string archive = Archive("a.zip");
    TArchiverOptions options;
    options.gw = c.gw;
    TZip32 zip;
    ScopedCallLog log;
    try {
      std::string line, output;
      zip.MakeSfx(nullptr, archive, options, "", line, output);
      ADD_FAILURE() << c.message << ": no exception";
    } catch (const ESfxNoRequiredFile& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(platform::ReadWholeFile(archive), ArchiveContent("a.zip"));
    EXPECT_FALSE(platform::FileExists(scratch.Path("a.EXE")));
  }
}

TEST_F(SfxTest, TarAndTgzJoinStubAndArchiveIntoTheFolder) {
  StubFolder stubs({"kmtarsef.exe"});
  Scratch out;
  const struct {
    TArchiverType type;
    const char* name;
    std::string folder;
    std::string expected;
  } cases[] = {
      {atTar, "a.tar", "", scratch.Path("a.EXE")},
      {atTar, "a.tar", out.Folder(), out.Path("a.EXE")},
      {atTar, "a.tar", out.Folder() + kSep, out.Path("a.EXE")},
      {atTgz, "b.tgz", out.Folder(), out.Path("b.EXE")},
  };
  for (const auto& c : cases) {
    std::string archive = Archive(c.name);
    std::unique_ptr<TArchiver> tar = CreateArchiver(c.type);
    ScopedCallLog log;
    std::string line = "keep", output = "keep";
    TArchiverOptions options;
    options.gw = 1;  // not consulted
    EXPECT_EQ(tar->MakeSfx(nullptr, archive, options, c.folder, line, output), 0);
    EXPECT_EQ(platform::ReadWholeFile(c.expected), StubFolder::StubContent("kmtarsef.exe") + ArchiveContent(c.name))
        << c.expected;
    EXPECT_EQ(platform::ReadWholeFile(archive), ArchiveContent(c.name));
    EXPECT_EQ(line, "keep");
    EXPECT_EQ(output, "keep");
    EXPECT_TRUE(log.Lines().empty());  // no library call
    platform::RemoveFile(c.expected);
  }
}

TEST_F(SfxTest, TarRefusals) {
  std::string archive = Archive("a.tar");
  TBZ232 bz2;
  TTar32 tar;
  {
    // BZ2 is refused before the stub is looked for, found or not.
    StubFolder stubs({"kmtarsef.exe"});
    EXPECT_EQ(Refusal(bz2, archive, TArchiverOptions()), "BZ2 形式書庫は自己解凍形式にできません。");
  }
  EXPECT_EQ(Refusal(bz2, archive, TArchiverOptions()), "BZ2 形式書庫は自己解凍形式にできません。");
  EXPECT_EQ(Refusal(tar, archive, TArchiverOptions()),
            "tar/tgz 書庫からの自己解凍書庫の作成には 'kmtarsef.exe' ファイルが必要です。");
  EXPECT_FALSE(platform::FileExists(scratch.Path("a.EXE")));
}

TEST_F(SfxTest, Yz1StubChoiceAndSizeTrailer) {
  const std::vector<std::string> allStubs = {"yzdos16.sfx", "yzw32cui.sfx", "yzdec.exe"};
  const struct {
    std::int8_t gw;
    std::vector<std::string> present;
    const char* used;
  } cases[] = {
      {-1, allStubs, "yzdos16.sfx"},
      {0, allStubs, "yzdos16.sfx"},
      {1, allStubs, "yzw32cui.sfx"},
      {1, {"yzdec.exe", "yzdos16.sfx"}, "yzdec.exe"},
  };
  for (const auto& c : cases) {
    StubFolder stubs(c.present);
    std::string archive = Archive("a.yz1", 1000);
    TYZ1 yz1;
    TArchiverOptions options;
    options.gw = c.gw;
    std::string line = "keep", output = "keep";
    ScopedCallLog log;
    EXPECT_EQ(yz1.MakeSfx(nullptr, archive, options, "", line, output), 0);
    const std::string exe = platform::ReadWholeFile(scratch.Path("a.exe"));
    EXPECT_EQ(exe, StubFolder::StubContent(c.used) + ArchiveContent("a.yz1", 1000) + std::string("\x00\x00\x03\xE8", 4))
        << c.used;
    EXPECT_EQ(line, "keep");
    EXPECT_TRUE(log.Lines().empty());
    platform::RemoveFile(scratch.Path("a.exe"));
  }

  const struct {
    std::int8_t gw;
    std::vector<std::string> present;
    const char* message;
  } refusals[] = {
      {-1, {"yzw32cui.sfx", "yzdec.exe"}, "yz1 書庫からのDOS自己解凍書庫の作成には yzdos16.sfx が必要です。"},
      {1, {"yzdos16.sfx"}, "yz1 書庫からのWin32自己解凍書庫の作成には yzw32cui.sfx か yzdec.exe が必要です。"},
  };
  for (const auto& c : refusals) {
    StubFolder stubs(c.present);
    std::string archive = Archive("a.yz1");
    TYZ1 yz1;
    TArchiverOptions options;
    options.gw = c.gw;
    EXPECT_EQ(Refusal(yz1, archive, options), c.message);
    EXPECT_FALSE(platform::FileExists(scratch.Path("a.exe")));
  }
}

TEST_F(SfxTest, SevenZipModuleFromThe7ZipFolderThenTheSearchPath) {
  if (ScopedSevenZipFolder::AlreadyThere()) GTEST_SKIP() << "a real 7-Zip is registered";
  SevenZipSfxModule.clear();
  SevenZipSfxConfig.clear();
  Scratch sevenZip;
  platform::WriteWholeFile(sevenZip.Path("7z.sfx"), Content("7-Zip folder's module", 200));
  StubFolder stubs({"7z.sfx"});
  std::string archive = Archive("a.7z");
  const std::string exe = scratch.Path("a.exe");
  TSevenZip32 sevenZip32;
  TArchiverOptions options;
  {
    ScopedSevenZipFolder registry(sevenZip.Folder());
    // No 16-bit extractor, even with a module at hand; the module is chosen first.
    EXPECT_EQ(Refusal(sevenZip32, archive, options), "16bit SFX を作成することはできません。");
    EXPECT_EQ(SevenZipSfxModule, "7z.sfx");
    EXPECT_FALSE(platform::FileExists(exe));

    options.gw = 1;
    ScopedCallLog log;
    std::string line = "keep", output = "keep";
    EXPECT_EQ(sevenZip32.MakeSfx(nullptr, archive, options, "", line, output), 0);
    EXPECT_EQ(platform::ReadWholeFile(exe), Content("7-Zip folder's module", 200) + ArchiveContent("a.7z"));
    EXPECT_EQ(line, "keep");
    EXPECT_TRUE(log.Lines().empty());
  }
  // Without the registry entry the search path's copy is used, with the
  // configuration file between module and archive when one is set.
  SevenZipSfxConfig = scratch.Path("config.txt");
  platform::WriteWholeFile(SevenZipSfxConfig, ";!@Install@!UTF-8!\r\n");
  std::string line, output;
  EXPECT_EQ(sevenZip32.MakeSfx(nullptr, archive, options, "", line, output), 0);
  EXPECT_EQ(platform::ReadWholeFile(exe),
            StubFolder::StubContent("7z.sfx") + ";!@Install@!UTF-8!\r\n" + ArchiveContent("a.7z"));
  SevenZipSfxConfig.clear();

  // A module chosen before is kept.
  SevenZipSfxModule = "7zS.sfx";
  EXPECT_EQ(Refusal(sevenZip32, archive, options),
            "7z 書庫からの自己解凍書庫の作成には '7zS.sfx' ファイルが必要です。");
  stubs.Put("7zS.sfx");
  EXPECT_EQ(sevenZip32.MakeSfx(nullptr, archive, options, "", line, output), 0);
  EXPECT_EQ(platform::ReadWholeFile(exe), StubFolder::StubContent("7zS.sfx") + ArchiveContent("a.7z"));
  SevenZipSfxModule.clear();
}

TEST_F(SfxTest, SevenZipWithoutAnyModule) {
  SevenZipSfxModule.clear();
  TSevenZip32 sevenZip32;
  TArchiverOptions options;
  options.gw = 1;
  std::string archive = Archive("a.7z");
  EXPECT_EQ(Refusal(sevenZip32, archive, options), "7z 書庫からの自己解凍書庫の作成には '7z.sfx' ファイルが必要です。");
  EXPECT_FALSE(platform::FileExists(scratch.Path("a.exe")));
  SevenZipSfxModule.clear();
}

// An archive whose output would be the archive itself: creating the output
// would truncate it. Every joining format refuses and keeps the archive.
TEST_F(SfxTest, AnOutputThatIsTheArchiveIsRefused) {
  SevenZipSfxModule.clear();
  StubFolder stubs({"7z.sfx", "sfx16.dat", "kmtarsef.exe", "yzw32cui.sfx"});
  const struct {
    TArchiverType type;
    const char* name;
    bool inItsFolder;  // the archive's folder given as the output folder
    const char* kind;
    const char* output;
  } cases[] = {
      {at7z, "x.exe", false, "7z", "x.exe"},      {at7z, "x.EXE", false, "7z", "x.exe"},
      {at7z, "x.exe", true, "7z", "x.exe"},       {atZip, "x.EXE", false, "zip", "x.EXE"},
      {atZip, "x.exe", true, "zip", "x.EXE"},     {atTar, "x.EXE", false, "tar/tgz", "x.EXE"},
      {atTgz, "x.exe", true, "tar/tgz", "x.EXE"}, {atYz1, "x.exe", false, "yz1", "x.exe"},
  };
  for (const auto& c : cases) {
    std::string archive = Archive(c.name);
    std::unique_ptr<TArchiver> archiver = CreateArchiver(c.type);
    TArchiverOptions options;
    options.gw = 1;
    if (c.type == atZip) options.gw = -1;
    const std::string folder = c.inItsFolder ? scratch.Folder() : "";
    const std::string output = c.inItsFolder ? scratch.Folder() + kSep + c.output : scratch.Path(c.output);
    ScopedCallLog log;
    EXPECT_EQ(Refusal(*archiver, archive, options, folder),
              std::string(c.kind) + " 書庫からの自己解凍書庫の出力先 '" + output + "' が元の書庫ファイルと同じです。")
        << c.name;
    EXPECT_EQ(platform::ReadWholeFile(archive), ArchiveContent(c.name)) << c.name;
    EXPECT_TRUE(log.Lines().empty()) << c.name;  // ZIP would have deleted it
    platform::RemoveFile(archive);
  }
  SevenZipSfxModule.clear();
}

// The same, with the archive's folder reached by a second name (natively a
// symbolic link, under Wine a second drive letter): the names differ, the
// file is the same, and the archive stays byte for byte.
TEST_F(SfxTest, AnOutputThatIsTheArchiveUnderASecondNameIsRefused) {
  SevenZipSfxModule.clear();
  StubFolder stubs({"7z.sfx", "sfx16.dat", "kmtarsef.exe", "yzw32cui.sfx"});
  platform_test::SecondFolderName second(scratch.Folder());
  ASSERT_FALSE(second.path().empty()) << "no second name for " << scratch.Folder();
  const struct {
    TArchiverType type;
    const char* name;
    const char* kind;
    const char* output;
  } cases[] = {
      {at7z, "x.exe", "7z", "x.exe"},       {atZip, "x.EXE", "zip", "x.EXE"}, {atTar, "x.EXE", "tar/tgz", "x.EXE"},
      {atTgz, "x.EXE", "tar/tgz", "x.EXE"}, {atYz1, "x.exe", "yz1", "x.exe"},
  };
  for (const auto& c : cases) {
    std::string archive = Archive(c.name, 100000);
    std::unique_ptr<TArchiver> archiver = CreateArchiver(c.type);
    TArchiverOptions options;
    options.gw = c.type == atZip ? -1 : 1;
    ScopedCallLog log;
    EXPECT_EQ(Refusal(*archiver, archive, options, second.path()),
              std::string(c.kind) + " 書庫からの自己解凍書庫の出力先 '" + platform::JoinPath(second.path(), c.output) +
                  "' が元の書庫ファイルと同じです。")
        << c.name;
    EXPECT_EQ(platform::ReadWholeFile(archive), ArchiveContent(c.name, 100000)) << c.name;
    EXPECT_TRUE(log.Lines().empty()) << c.name;  // ZIP would have deleted it
    platform::RemoveFile(archive);
  }
  SevenZipSfxModule.clear();
}

TEST_F(SfxTest, ZipDeleteAndUpdateKeepTheArchivePackReplacesIt) {
  const struct {
    const char* what;
    bool kept;
    const char* word;
  } cases[] = {{"Delete", true, "-d"}, {"Update", true, "-f"}, {"Pack", false, ""}};
  for (const auto& c : cases) {
    std::string archive = Archive("a.zip");
    TZip32 zip;
    ScopedCallLog log;
    std::string line, output;
    const std::string what = c.what;
    const TValueList files{"a.txt"};
    int result = what == "Delete"   ? zip.Delete(nullptr, archive, TArchiverOptions(), "", files, false, line, output)
                 : what == "Update" ? zip.Update(nullptr, archive, TArchiverOptions(), "", files, false, line, output)
                                    : zip.Pack(nullptr, archive, TArchiverOptions(), "", files, false, line, output);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(platform::FileExists(archive), c.kept) << c.what;
    if (c.kept) {
      EXPECT_EQ(platform::ReadWholeFile(archive), ArchiveContent("a.zip")) << c.what;
    }
    Logged logged = ReadLogged(log);
    EXPECT_EQ(logged.calls, std::vector<std::string>{"ZIP32J.DLL Zip"}) << c.what;
    EXPECT_EQ(logged.lines, std::vector<std::string>{std::string(c.word) + " -D  \"" + archive + "\" \"a.txt\" "})
        << c.what;
  }
}

}  // namespace
