// The ZIP binding's search orders over its three libraries, and the YZ1
// binding's library choice and password prompt.
#include <gtest/gtest.h>

#include "archives/ARCHIVES.h"
#include "archives/ArchiverErrors.h"
#include "archives/YZ132.h"
#include "archives/ZIP32.h"
#include "archives/ZipDll.h"
#include "tests/archives/ArchivesTestSupport.h"

namespace {

using namespace archives;
using archivetest::BindingTest;
using testsupport::FixtureWriter;
using testsupport::ScopedCallLog;
using testsupport::ScopedEnvironmentValue;
using testsupport::ScopedLibraryFolder;

// "dll entry" for every call logged.
std::vector<std::string> Served(const ScopedCallLog& log) {
  std::vector<std::string> out;
  for (const testsupport::StandinCall& call : log.Read()) out.push_back(call.dll + " " + call.entry);
  return out;
}

class ZipBinding : public BindingTest {
 protected:
  // Lists a one-member ZIP fixture through the façade and returns which
  // library served each call.
  std::vector<std::string> ListZip() {
    std::string path = scratch.Write("a.zip", FixtureWriter().Accept("zip").Member("a.exe"));
    ScopedCallLog log;
    TArchiveFile archive;
    archive.SetFileName(path);
    EXPECT_EQ(archive.OpenArchive(nullptr, kModeList), 0);
    TMemberInfo info{};
    EXPECT_EQ(archive.FindFirst("*.*", info), 0);
    EXPECT_NE(archive.FindNext(info), 0);
    archive.CloseArchive();
    return Served(log);
  }
};

TEST_F(ZipBinding, ListingSearchesLmZipThenZip32jThenUnZip) {
  struct Case {
    std::vector<std::string> present;
    const char* listedBy;
    const char* prefix;
  } cases[] = {
      {{"UNZIP32.DLL"}, "UNZIP32.DLL", "UnZip"},
      {{"ZIP32J.DLL"}, "ZIP32J.DLL", "UnZip"},
      {{"LMZIP32.DLL"}, "LMZIP32.DLL", "Unzip"},
      {{"UNZIP32.DLL", "ZIP32J.DLL"}, "ZIP32J.DLL", "UnZip"},
      {{"UNZIP32.DLL", "LMZIP32.DLL"}, "LMZIP32.DLL", "Unzip"},
      {{"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"}, "LMZIP32.DLL", "Unzip"},
  };
  for (const Case& c : cases) {
    archivetest::ForgetAllBindings();
    ScopedLibraryFolder libraries("full", c.present);
    std::string lib = c.listedBy, p = c.prefix;
    std::vector<std::string> served = ListZip();
    // The write time has a lower-case z in every library.
    std::vector<std::string> expected = {lib + " " + p + "OpenArchive",     lib + " " + p + "FindFirst",
                                         lib + " UnzipGetWriteTimeEx",      lib + " " + p + "GetAccessTimeEx",
                                         lib + " " + p + "GetCreateTimeEx", lib + " " + p + "FindNext",
                                         lib + " " + p + "CloseArchive"};
    EXPECT_EQ(served, expected) << lib;
  }
}

TEST_F(ZipBinding, CommandsAndCheckSearchTheirOwnOrders) {
  std::string path = scratch.Write("a.zip", FixtureWriter().Accept("zip"));
  struct Case {
    std::vector<std::string> present;
    const char* command;  // "" = none: raises
    const char* pack;
    const char* check;
  } cases[] = {
      {{"UNZIP32.DLL", "LMZIP32.DLL"}, "UNZIP32.DLL UnZip", "LMZIP32.DLL Zip", "UNZIP32.DLL UnZipCheckArchive"},
      {{"LMZIP32.DLL"}, "LMZIP32.DLL Unzip", "LMZIP32.DLL Zip", "LMZIP32.DLL UnzipCheckArchive"},
      {{"ZIP32J.DLL", "LMZIP32.DLL"}, "LMZIP32.DLL Unzip", "ZIP32J.DLL Zip", "LMZIP32.DLL UnzipCheckArchive"},
      {{"ZIP32J.DLL"}, "", "ZIP32J.DLL Zip", "ZIP32J.DLL UnZipCheckArchive"},
      {{"UNZIP32.DLL"}, "UNZIP32.DLL UnZip", "", "UNZIP32.DLL UnZipCheckArchive"},
  };
  for (const Case& c : cases) {
    archivetest::ForgetAllBindings();
    ScopedLibraryFolder libraries("full", c.present);
    TZip32 zip;
    TCustomArchiverDll& dll = zip.ArchiverDll();
    auto servedBy = [&](auto call) {
      ScopedCallLog log;
      try {
        call();
      } catch (const EEntryNotFound&) {
        return std::string();
      }
      std::vector<std::string> served = Served(log);
      return served.empty() ? std::string("nothing") : served.front();
    };
    EXPECT_EQ(servedBy([&] { dll.Command(nullptr, path, "-x a.zip", nullptr, 0); }), c.command);
    EXPECT_EQ(servedBy([&] { dll.CheckArchive(path, 0); }), c.check);
    std::string scratchArchive = scratch.Path("pack.zip");
    platform::WriteWholeFile(scratchArchive, "old");
    EXPECT_EQ(servedBy([&] { dll.PackCommand(nullptr, scratchArchive, "a", nullptr, 0); }), c.pack);
  }
}

TEST_F(ZipBinding, PackCommandRemovesTheArchiveFirst) {
  ScopedLibraryFolder libraries("full", {"ZIP32J.DLL"});
  std::string archive = scratch.Path("old.zip");
  platform::WriteWholeFile(archive, "old content");
  TZip32 zip;
  EXPECT_EQ(zip.ArchiverDll().PackCommand(nullptr, archive, "a", nullptr, 0), 0);
  EXPECT_FALSE(platform::FileExists(archive));
  // A missing archive is no error.
  EXPECT_EQ(zip.ArchiverDll().PackCommand(nullptr, archive, "a", nullptr, 0), 0);
}

TEST_F(ZipBinding, NoZipLibraryAtAll) {
  ScopedLibraryFolder libraries("full", {});
  TArchiveFile archive;
  archive.SetFileName(scratch.Write("a.zip", FixtureWriter().Accept("zip")));  // creating succeeds
  try {
    archive.OpenArchive(nullptr, kModeList);
    ADD_FAILURE() << "no exception";
  } catch (const EEntryNotFound& e) {
    EXPECT_STREQ(e.what(), "UnZipOpenArchive のエントリが DLL に見つかりませんでした。");
  }
  // The owner-window entries are looked for in UNZIP32.DLL only.
  try {
    archive.Archiver()->SetOwnerWindow(nullptr, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EEntryNotFound& e) {
    EXPECT_EQ(e.what(), platform::ExecutablePath() + " に UnZipSetOwnerWindowEx のエントリが見つかりません。");
  }
}

// A library that failed to load stays absent for the binding, so that a
// run over many archives does not search for it again and again; a binding
// made afresh looks again.
TEST_F(ZipBinding, AnAbsentLibraryIsLookedForAgainOnlyByAFreshBinding) {
  std::string path = scratch.Write("a.zip", FixtureWriter().Accept("zip").Member("a"));
  archivetest::ForgetAllBindings();
  ScopedLibraryFolder libraries("full", {"ZIP32J.DLL"});
  TZip32 zip;
  ArcHandle handle = zip.OpenArchive(nullptr, path, kModeList);
  ASSERT_NE(handle, nullptr);
  zip.CloseArchive(handle);
  EXPECT_NE(TZip32::SharedDll()->ZipModule(), nullptr);
  EXPECT_EQ(TZip32::SharedDll()->LmZipModule(), nullptr);

  libraries.Add("full", "LMZIP32.DLL");
  handle = zip.OpenArchive(nullptr, path, kModeList);
  zip.CloseArchive(handle);
  EXPECT_EQ(TZip32::SharedDll()->LmZipModule(), nullptr);

  // Addresses found in ZIP32J.DLL are forgotten with it: LMZIP32.DLL, now
  // loaded, comes first.
  EXPECT_EQ(ListZip().front(), "ZIP32J.DLL UnZipOpenArchive");
  TZip32::FreeDLL();
  EXPECT_EQ(ListZip().front(), "LMZIP32.DLL UnzipOpenArchive");
  EXPECT_NE(TZip32::SharedDll()->LmZipModule(), nullptr);

  // The same binding forgets what was absent when it frees its libraries.
  TZip32::FreeDLL();  // a loaded library cannot be deleted on Windows
  ASSERT_TRUE(libraries.Remove("LMZIP32.DLL"));
  TZipDll dll;
  dll.LoadDLL();
  EXPECT_EQ(dll.LmZipModule(), nullptr);
  libraries.Add("full", "LMZIP32.DLL");
  dll.LoadDLL();
  EXPECT_EQ(dll.LmZipModule(), nullptr);
  dll.FreeDLL();
  dll.LoadDLL();
  EXPECT_NE(dll.LmZipModule(), nullptr);
}

TEST_F(BindingTest, Yz1LibraryChoice) {
  {
    ScopedLibraryFolder libraries("full", {"YZ1.DLL"});
    TYZ1 yz1;
    EXPECT_EQ(TYZ1::SharedDll()->DllName(), "YZ1.DLL");
  }
  archivetest::ForgetAllBindings();
  {
    ScopedLibraryFolder libraries("full", {"YYZ32.DLL", "YZ1.DLL"});
    TYZ1 yz1;
    EXPECT_EQ(TYZ1::SharedDll()->DllName(), "YYZ32.DLL");
  }
  archivetest::ForgetAllBindings();
  ScopedLibraryFolder libraries("full", {});
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      TYZ1 yz1;
      ADD_FAILURE() << "no exception";
    } catch (const EArchiver& e) {
      EXPECT_STREQ(e.what(), "Yz1 形式書庫を扱うには YYZ32.DLL か YZ1.DLL が必要です。");
    }
    EXPECT_EQ(TYZ1::SharedDll(), nullptr);  // nothing is left behind
  }
}

class Yz1Password : public BindingTest {
 protected:
  struct Outcome {
    int findFirst;
    int prompts;
    std::vector<std::string> passwordsSet;
  };
  Outcome ListWithAnswers(const char* variant, const std::string& answers) {
    ScopedLibraryFolder libraries(variant, {"YYZ32.DLL"});
    ScopedEnvironmentValue passwords("MOKURENA_STANDIN_PASSWORDS", answers);
    std::string path = scratch.Write("p.yz1", FixtureWriter().Accept("yz1").Password("secret").Member("a.exe"));
    ScopedCallLog log;
    TArchiveFile archive;
    archive.SetFileName(path);
    ArcWindow owner = reinterpret_cast<ArcWindow>(0x4242);
    EXPECT_EQ(archive.OpenArchive(owner, kModeList), 0);
    TMemberInfo info{};
    Outcome outcome{archive.FindFirst("*.*", info), 0, {}};
    archive.CloseArchive();
    for (const testsupport::StandinCall& call : log.Read()) {
      if (call.entry == "Yz1PasswordDialog") {
        ++outcome.prompts;
        EXPECT_EQ(call.args[0], "0x4242");  // the owner of the last open
        EXPECT_EQ(call.args[2], "256");
      }
      if (call.entry == "Yz1SetDefaultPassword") outcome.passwordsSet.push_back(call.args[1]);
    }
    archivetest::ForgetAllBindings();
    return outcome;
  }
};

TEST_F(Yz1Password, PromptsUntilTheRightPasswordAtMostFourTimes) {
  Outcome second = ListWithAnswers("full", "wrong;secret");
  EXPECT_EQ(second.findFirst, 0);
  EXPECT_EQ(second.prompts, 2);
  EXPECT_EQ(second.passwordsSet, (std::vector<std::string>{"wrong", "secret"}));

  Outcome fourWrong = ListWithAnswers("full", "a;b;c;d;secret");
  EXPECT_EQ(fourWrong.findFirst, kErrorPasswordFile);
  EXPECT_EQ(fourWrong.prompts, 4);
  EXPECT_EQ(fourWrong.passwordsSet.size(), 4u);  // the fourth is set but not tried

  Outcome cancelled = ListWithAnswers("full", "cancel");
  EXPECT_EQ(cancelled.findFirst, kErrorPasswordFile);
  EXPECT_EQ(cancelled.prompts, 1);
  EXPECT_TRUE(cancelled.passwordsSet.empty());

  Outcome noPrompt = ListWithAnswers("nopassword", "secret");
  EXPECT_EQ(noPrompt.findFirst, kErrorPasswordFile);
  EXPECT_EQ(noPrompt.prompts, 0);
}

}  // namespace
