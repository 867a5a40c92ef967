// The Windows package as a user meets it. install-package.sh has unzipped
// it into C:\Program Files\Mokurena of a fresh Wine prefix; the user puts the
// archiver library beside the program, starts it without an argument, ticks
// .lzh and applies, then opens an .lzh archive through the shell. The tests
// also read what the package tells the user: readme.txt, LICENSE, the
// version resources and mokurena-scan.exe --version.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/WindowExpectations.h"
#include "tests/scan/RunProgram.h"
#include "tests/support/FixtureWriter.h"
#include "tests/support/StandinSupport.h"

using namespace e2e;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const std::string kInstalled = "C:\\Program Files\\Mokurena\\";
const std::string kVersion = MOKURENA_EXPECTED_VERSION;
const std::string kSettingsCaption = "設定 - Mokurena";
const std::string kReportCaption = "発見しました - Mokurena";

std::string Installed(const std::string& name) { return kInstalled + name; }

bool SameTextIgnoringCase(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

std::string ClassesDefault(const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return "(no key)";
  char buffer[1024] = "";
  DWORD size = sizeof buffer - 1;
  const LONG r = RegQueryValueExA(opened, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  return r == ERROR_SUCCESS ? std::string(buffer) : "(no value)";
}

// A top-level window of any process with exactly this caption.
HWND WaitForAnyWindow(const std::string& caption, int timeoutMs = 15000) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowA(nullptr, caption.c_str())) != nullptr && IsWindowVisible(found); },
            timeoutMs);
  return found;
}

// ---------------------------------------------------------------- what the package says

bool IsShiftJisText(const std::string& bytes) {
  return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

bool EveryLineEndsInCrLf(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return !text.empty() && text.back() == '\n';
}

TEST(WindowsPackage, ReadmeAndLicenseReadInNotepad) {
  const std::string readme = platform::ReadWholeFile(Installed("readme.txt"));
  EXPECT_TRUE(IsShiftJisText(readme)) << "readme.txt is not Shift_JIS";
  EXPECT_TRUE(EveryLineEndsInCrLf(readme));
  // What the user looks for in it, one topic each (texts in this file are
  // compiled to Shift_JIS, as readme.txt is).
  const char* const topics[] = {
      "Mokurena " MOKURENA_EXPECTED_VERSION,  // the version it describes
      "しないこと",                           // what it does not do
      "UNLHA32.DLL",                          // the libraries per type
      "システムフォルダ",                     // ... and where they go
      "何も指定せずに起動",                   // first start
      "「適用」を押します",
      "checklst.ini",  // the two settings files
      "mokurena.ini",
      "HKEY_CLASSES_ROOT\\QorbellzhFile",  // undoing the associations
      "終了コード",                        // the command-line check
      "mokurena-scan.exe",
      "certutil -hashfile",  // checking the SHA-256
      "更新履歴",            // the version history
  };
  for (const char* topic : topics) EXPECT_THAT(readme, HasSubstr(topic));
  const std::string history = readme.substr(readme.find("更新履歴"));
  EXPECT_THAT(history, HasSubstr("\r\n" + kVersion + " (")) << "the history has no entry for this version";

  const std::string license = platform::ReadWholeFile(Installed("LICENSE"));
  EXPECT_THAT(license, StartsWith("MIT License\r\n"));
  EXPECT_THAT(license, HasSubstr("Permission is hereby granted, free of charge"));
  EXPECT_TRUE(EveryLineEndsInCrLf(license));
}

// ---------------------------------------------------------------- version resources

struct VersionBlock {
  std::string fileDescription, fileVersion, internalName, legalCopyright, originalFilename, productName, productVersion;
};

class VersionResource {
 public:
  explicit VersionResource(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool Present() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }
  // "041104B0"-style names of the translations, in their order.
  std::vector<std::string> Translations() const {
    std::vector<std::string> names;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length)) return names;
    const WORD* pairs = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
      char name[16];
      wsprintfA(name, "%04X%04X", pairs[i], pairs[i + 1]);
      names.push_back(name);
    }
    return names;
  }
  std::string Value(const std::string& block, const std::string& name) const {
    void* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\" + block + "\\" + name;
    if (!VerQueryValueA(data_.data(), path.c_str(), &value, &length) || value == nullptr) return "(none)";
    return std::string(static_cast<const char*>(value));
  }
  VersionBlock Block(const std::string& block) const {
    return {Value(block, "FileDescription"), Value(block, "FileVersion"),      Value(block, "InternalName"),
            Value(block, "LegalCopyright"),  Value(block, "OriginalFilename"), Value(block, "ProductName"),
            Value(block, "ProductVersion")};
  }

 private:
  std::vector<char> data_;
};

bool HasDoubleByteCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return IsDBCSLeadByteEx(932, static_cast<BYTE>(c)); });
}

TEST(WindowsPackage, BothExecutablesCarryTheVersionInJapaneseAndEnglish) {
  for (const char* file : {"mokurena.exe", "mokurena-scan.exe"}) {
    SCOPED_TRACE(file);
    const VersionResource resource(Installed(file));
    ASSERT_TRUE(resource.Present()) << "no version resource";
    EXPECT_THAT(resource.Translations(), ElementsAre("041104B0", "040904B0"));

    const VS_FIXEDFILEINFO* fixed = resource.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    char numbers[32];
    wsprintfA(numbers, "%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, kVersion);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const VersionBlock japanese = resource.Block("041104B0");
    const VersionBlock english = resource.Block("040904B0");
    for (const VersionBlock* block : {&japanese, &english}) {
      EXPECT_EQ(block->productName, "Mokurena");
      EXPECT_EQ(block->fileVersion, kVersion);
      EXPECT_EQ(block->productVersion, kVersion);
      EXPECT_EQ(block->originalFilename, file);
      EXPECT_THAT(block->legalCopyright, StartsWith("Copyright (C) "));
      EXPECT_THAT(block->fileDescription, StartsWith("Mokurena"));
    }
    EXPECT_TRUE(HasDoubleByteCharacter(japanese.fileDescription)) << japanese.fileDescription;
    EXPECT_FALSE(HasDoubleByteCharacter(english.fileDescription)) << english.fileDescription;
  }
  EXPECT_NE(VersionResource(Installed("mokurena.exe")).Block("040904B0").fileDescription,
            VersionResource(Installed("mokurena-scan.exe")).Block("040904B0").fileDescription);
}

// ---------------------------------------------------------------- the program in use

// The user's archives and the current folder, away from the program's.
class InstalledProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The library the user supplies, beside the program as readme.txt says.
    platform::CopyFileTo(platform::JoinPath(testsupport::StandinFolder("full"), "UNLHA32.DLL"),
                         Installed("UNLHA32.DLL"));
  }
  void SetUp() override {
    downloads_ = platform::CreateTempFolder("mokurena-downloads-");
    archive_ = platform::JoinPath(downloads_, "tools pack.lzh");
    testsupport::FixtureWriter().Accept("lha").Member("readme.txt").Member("setup.EXE").WriteTo(archive_);
  }
  void TearDown() override { platform::RemoveTree(downloads_); }

  std::string downloads_;
  std::string archive_;
};

TEST_F(InstalledProgram, ScanCommandShowsThePackageVersionAndChecksAnArchive) {
  scantest::ProgramRun run = scantest::RunProgram(Installed("mokurena-scan.exe"), {"--version"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_THAT(run.out, StartsWith("mokurena-scan " + kVersion + "\r\n"));

  run = scantest::RunProgram(Installed("mokurena-scan.exe"), {archive_});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.out, archive_ + ": [ exe ] setup.EXE\r\n");
}

// The settings dialog's second page, brought up as with the keyboard.
void ShowAssociationsPage(HWND form) {
  HWND tabs = Find(form, "PageControl1");
  for (int i = 0; i < 40 && FocusedControl(form) != tabs; ++i) PressKey(form, VK_TAB);
  ASSERT_EQ(FocusedControl(form), tabs);
  PressKey(form, VK_RIGHT);
  ASSERT_TRUE(WaitUntil([&] { return ActiveTab(tabs) == 1 && IsVisible(Find(form, "TabSheet2")); }, 5000));
}

TEST_F(InstalledProgram, FirstStartAssociatesLzhAndTheShellOpensArchivesThroughIt) {
  // First start: no argument shows the settings dialog.
  {
    const std::string exe = Installed("mokurena.exe");
    Process program = Process::Start({exe, "\"" + exe + "\"", {}, downloads_});
    HWND form = program.WaitForWindow(kSettingsCaption, 15000);
    ASSERT_NE(form, nullptr) << "no settings dialog";
    ASSERT_TRUE(WaitUntil([&] { return FocusedControl(form) != nullptr; }, 5000));
    ShowAssociationsPage(form);
    Click(Find(form, "cblzh"));
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(Find(form, "cblzh")); }, 5000));
    Screenshot(form, "package-first-start");
    Click(Find(form, "Button6"));
    const auto code = program.WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << "Apply did not end the program";
    EXPECT_EQ(*code, 0u);
  }
  const std::string command = ClassesDefault(ClassesDefault(".lzh") + "\\shell\\open\\command");
  EXPECT_TRUE(SameTextIgnoringCase(command, "\"" + Installed("mokurena.exe") + "\" \"%1\"")) << command;
  EXPECT_EQ(platform::ReadWholeFile(Installed("checklst.ini")), "bat\r\nexe\r\npif\r\nscr\r\n")
      << "Apply writes the watch list beside the program";

  // The shell opens the archive: the check run finds the library beside the
  // program (not in the current folder, not in the system's) and reports.
  SHELLEXECUTEINFOA open = {};
  open.cbSize = sizeof open;
  open.fMask = SEE_MASK_NOCLOSEPROCESS;
  open.lpVerb = "open";
  open.lpFile = archive_.c_str();
  open.lpDirectory = downloads_.c_str();
  open.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&open)) << "the shell did not open the archive: " << GetLastError();
  HWND report = WaitForAnyWindow(kReportCaption);
  ASSERT_NE(report, nullptr) << "no report from the associated program";
  ASSERT_TRUE(WaitUntil([&] { return FocusedControl(report) != nullptr; }, 5000));
  EXPECT_THAT(MemoLines(Find(report, "MemoCheckedFiles")), ElementsAre("[ exe ] setup.EXE"));
  EXPECT_THAT(Text(Find(report, "lblMessage")), StartsWith("tools pack.lzh\r\n"));
  Screenshot(report, "package-report");
  Click(Find(report, "btnStop"));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(report); }, 10000)) << "the report stayed open";
  if (open.hProcess) {
    EXPECT_EQ(WaitForSingleObject(open.hProcess, 10000), WAIT_OBJECT_0) << "the program did not end";
    CloseHandle(open.hProcess);
  }
}

}  // namespace
