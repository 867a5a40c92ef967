// mokurena.exe worked as a user would, under Wine: each case installs the
// program in a folder of its own with the stand-in archiver libraries beside
// it, the stand-in archiver program configured as the archiver, and the
// settings files the case needs; then starts it on a fixture archive, reads
// and answers its windows, and checks what was handed on.
#include "tests/e2e/Driver.h"
#include "tests/e2e/WindowExpectations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "tests/support/FixtureWriter.h"
#include "tests/support/StandinSupport.h"

using namespace e2e;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using testsupport::ArchiverRecord;
using testsupport::FixtureMember;
using testsupport::FixtureWriter;

namespace {

const std::string kReportCaption = "発見しました - Mokurena";
const std::string kQuestion = " の中に監視対象の拡張子を持つファイルを発見しました。処理を中断しますか？";
const std::string kNotOpened = "書庫が破損しているか対応していない形式です。";
const std::string kPassAnyway = "そのまま解凍ソフトに渡しますか？";
constexpr DWORD kExitNormal = 0;
constexpr DWORD kExitAfterError = 1;

std::string MokurenaBuilt() { return ProgramFolder() + "mokurena.exe"; }

bool SameTextIgnoringCase(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

// The label text for an archive path, written out piece by piece.
std::string Message(const std::string& fileName, const std::string& folder) {
  return fileName + "\r\n（" + folder + "）\r\n" + kQuestion;
}

// mokurena.exe installed in a fresh folder, with what a case puts beside it.
class Installation {
 public:
  // subfolder: the program's folder below the temporary one (blanks and
  // Japanese characters welcome).
  explicit Installation(const std::string& subfolder = "mokurena")
      : root_(platform::CreateTempFolder("mokurena-e2e-")), folder_(Make(subfolder)) {
    platform::CopyFileTo(MokurenaBuilt(), Path("mokurena.exe"));
    archiver_ = platform::JoinPath(Make("archiver"), "standin_archiver.exe");
    platform::CopyFileTo(testsupport::StandinArchiverPath(), archiver_);
    record_ = platform::JoinPath(root_, "handed-on.txt");
    work_ = Make("work");
  }
  ~Installation() { platform::RemoveTree(root_); }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  const std::string& Folder() const { return folder_; }
  const std::string& Root() const { return root_; }
  const std::string& Archiver() const { return archiver_; }
  // The current folder the program is started in (neither its own nor the
  // archive's).
  const std::string& WorkFolder() const { return work_; }
  std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }

  // A folder below the root; returns its path.
  std::string Make(const std::string& relative) const {
    const std::string path = platform::JoinPath(root_, relative);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }

  Installation& Library(const std::string& file, const std::string& variant = "full") {
    platform::CopyFileTo(platform::JoinPath(testsupport::StandinFolder(variant), file), Path(file));
    return *this;
  }
  // The stand-in archiver as the general archiver, or under another key.
  Installation& ArchiverAs(const std::string& key = "ArchiverPath") {
    return Ini("[Software]\r\n" + key + "=" + archiver_ + "\r\n");
  }
  Installation& Ini(const std::string& bytes) {
    platform::WriteWholeFile(Path("mokurena.ini"), bytes);
    return *this;
  }
  Installation& WatchList(const std::string& bytes) {
    platform::WriteWholeFile(Path("checklst.ini"), bytes);
    return *this;
  }
  // Writes a fixture archive below the root; returns its full path.
  std::string Archive(const std::string& relative, const FixtureWriter& fixture) const {
    const std::string path = platform::JoinPath(root_, relative);
    fixture.WriteTo(path);
    return path;
  }

  // Starts the program with these arguments after its name; the stand-in
  // archiver it starts records to this installation's record file.
  Process Start(const std::string& arguments, const std::string& currentFolder = "") const {
    std::string commandLine = "\"" + Path("mokurena.exe") + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    return Process::Start({Path("mokurena.exe"),
                           commandLine,
                           {{"MOKURENA_ARCHIVER_RECORD", record_}},
                           currentFolder.empty() ? work_ : currentFolder});
  }

  std::vector<ArchiverRecord> HandedOn() const { return testsupport::ReadArchiverRecords(record_); }
  // The one hand-off, once the archiver has recorded it.
  ArchiverRecord WaitForHandOff() const {
    WaitUntil([&] { return !HandedOn().empty(); }, 10000);
    const std::vector<ArchiverRecord> records = HandedOn();
    EXPECT_EQ(records.size(), 1u) << "expected exactly one hand-off";
    return records.empty() ? ArchiverRecord{} : records.front();
  }
  // True when nothing was handed on: looked at once the program and every
  // program it started have ended.
  bool NothingHandedOn(Process& process) const {
    EXPECT_TRUE(process.WaitForExit(15000).has_value()) << "the program did not end";
    EXPECT_TRUE(process.WaitForItsProgramsToEnd()) << "a program it started did not end";
    return HandedOn().empty();
  }

 private:
  std::string root_;
  std::string folder_;
  std::string archiver_;
  std::string record_;
  std::string work_;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// A typical installation: the LHA library and the archiver for every type.
void Standard(Installation& install) { install.Library("UNLHA32.DLL").ArchiverAs(); }

FixtureWriter Lha(const std::vector<std::string>& members) {
  FixtureWriter fixture;
  fixture.Accept("lha");
  for (const std::string& member : members) fixture.Member(member);
  return fixture;
}

// Checks the archiver's record of one hand-off of path.
void ExpectHandedOn(const ArchiverRecord& record, const Installation& install, const std::string& path,
                    const std::string& currentFolder) {
  EXPECT_TRUE(SameTextIgnoringCase(record.programPath, install.Archiver())) << record.programPath;
  EXPECT_THAT(record.arguments, ElementsAre(path));
  // The shell puts the program in quotes before the parameters, which are
  // the path in double quotes.
  EXPECT_EQ(record.commandLine, Quoted(install.Archiver()) + " " + Quoted(path));
  EXPECT_TRUE(SameTextIgnoringCase(record.currentFolder, currentFolder)) << record.currentFolder;
}

DWORD ExitCode(Process& process) {
  const auto code = process.WaitForExit(15000);
  EXPECT_TRUE(code.has_value()) << "the program did not end";
  return code.value_or(0xFFFFFFFF);
}

// Runs the program to its end and returns the captions of every window it
// showed on the way (none is expected).
std::set<std::string> WindowsShownUntilExit(Process& process) {
  std::set<std::string> shown;
  WaitUntil(
      [&] {
        for (HWND hwnd : process.Windows()) shown.insert(ClassName(hwnd) + ":" + Text(hwnd));
        return !process.Running();
      },
      15000);
  return shown;
}

int LineHeight(const char* face, int height) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT rect{0, 0, 0, 0};
  DrawTextA(dc, "X", -1, &rect, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
  SelectObject(dc, previous);
  DeleteObject(font);
  DeleteDC(dc);
  return rect.bottom - rect.top;
}

// Opens the report for an archive and waits for its focus to settle.
HWND WaitForReport(Process& process) {
  HWND form = process.WaitForWindow(kReportCaption, 15000);
  if (form) WaitUntil([&] { return NameOf(FocusedControl(form)) == "btnStop"; }, 5000);
  return form;
}

}  // namespace

// ---------------------------------------------------------------- the executable

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(param);
  names->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name)) : name);
  return TRUE;
}

}  // namespace

TEST(MokurenaExecutable, CarriesIconFirstAndManifest) {
  HMODULE module = LoadLibraryExA(MokurenaBuilt().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC manifest =
      FindResourceExA(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(manifest, nullptr) << "no manifest (type 24, id 1, language 1033)";
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                         SizeofResource(module, manifest));
  for (const char* attribute : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                                "processorArchitecture=\"" MOKURENA_MANIFEST_ARCH "\"",
                                "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""}) {
    EXPECT_THAT(text, HasSubstr(attribute));
  }
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_THAT(languages, ElementsAre(1033));
  std::vector<std::string> icons;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(14), CollectName, reinterpret_cast<LONG_PTR>(&icons));
  ASSERT_FALSE(icons.empty());
  EXPECT_EQ(icons.front(), "MAINICON");
  EXPECT_NE(ExtractIconA(GetModuleHandleA(nullptr), MokurenaBuilt().c_str(), 0), nullptr);
  FreeLibrary(module);
}

// ---------------------------------------------------------------- runs that show nothing

TEST(MokurenaQuietRuns, EndWithoutAWindowAndHandOnOnlyWhenTheyShould) {
  struct Case {
    const char* what;
    std::vector<std::string> members;
    const char* watchList;  // nullptr: no checklst.ini (the defaults)
    bool twoArguments;
    bool handedOn;
  };
  const Case cases[] = {
      {"no watched member", {"readme.txt", "docs\\manual.pdf", "setup.exe.txt"}, nullptr, false, true},
      {"an archive without members", {}, nullptr, false, true},
      {"an empty watch list reports nothing", {"a.exe"}, "", false, true},
      {"a watched member but two arguments", {"a.exe"}, nullptr, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    Standard(install);
    if (c.watchList) install.WatchList(c.watchList);
    const std::string archive = install.Archive("sample file.lzh", Lha(c.members));
    // Unquoted, a path with a blank arrives as two arguments.
    const std::string arguments = c.twoArguments ? archive : Quoted(archive);
    Process process = install.Start(arguments);
    EXPECT_THAT(WindowsShownUntilExit(process), ::testing::IsEmpty());
    EXPECT_EQ(ExitCode(process), kExitNormal);
    if (c.handedOn) {
      ExpectHandedOn(install.WaitForHandOff(), install, archive, install.WorkFolder());
    } else {
      EXPECT_TRUE(install.NothingHandedOn(process));
    }
  }
}

TEST(MokurenaQuietRuns, ListsThroughTheLibraryWithTheHiddenMainFormAsOwner) {
  Installation install;
  Standard(install);
  const std::string archive = install.Archive("sample.lzh", Lha({"a.txt", "b.txt"}));
  testsupport::ScopedCallLog log;
  Process process = install.Start(Quoted(archive));
  EXPECT_EQ(ExitCode(process), kExitNormal);
  install.WaitForHandOff();

  std::vector<std::string> entries;
  std::string openWindow;
  for (const testsupport::StandinCall& call : log.Read()) {
    entries.push_back(call.entry);
    if (call.entry == "UnlhaOpenArchive") {
      ASSERT_EQ(call.args.size(), 3u);
      openWindow = call.args[0];
      EXPECT_EQ(call.args[1], archive);
      EXPECT_EQ(call.args[2], "0x800000");
    }
    if (call.entry == "UnlhaFindFirst") {
      EXPECT_EQ(call.args.at(1), "*.*");
    }
  }
  EXPECT_THAT(entries,
              ::testing::IsSupersetOf({"UnlhaOpenArchive", "UnlhaFindFirst", "UnlhaFindNext", "UnlhaCloseArchive"}));
  EXPECT_NE(openWindow, "0") << "the library's open call gets the main form as owner";
}

// ---------------------------------------------------------------- the report dialog

TEST(MokurenaReport, ShowsTheWatchedMembersWithItsFixedLayout) {
  Installation install;
  Standard(install);
  const std::string archive = install.Archive("sample.lzh", Lha({"readme.txt", "a.EXE", "docs\\tool.scr", "b.exe.txt",
                                                                 "evil.exe.", "stream.exe::$DATA", "dot.exe\\."}));
  Process process = install.Start(Quoted(archive));
  HWND form = WaitForReport(process);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(Screenshot(form, "mokurena-report").empty());

  // Only the report is on the screen: neither the main form nor the
  // application window shows.
  const std::vector<HWND> windows = process.Windows();
  EXPECT_THAT(windows, ElementsAre(form));
  const HWND owner = GetWindow(form, GW_OWNER);
  EXPECT_EQ(Describe(owner).name, "frmQorbelMain");
  EXPECT_EQ(Text(owner), "Mokurena");
  EXPECT_FALSE(IsVisible(owner));

  const Rect client = ClientOnScreen(form);
  EXPECT_EQ(client.width, 472);
  EXPECT_EQ(client.height, 406);
  EXPECT_TRUE(IsFormCentred(form));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(form, GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  ExpectLayout(form,
               {{"btnStop", "Button", nullptr, {256, 352, 81, 33}, 0, "中断(&S)"},
                {"btnContinue", "Button", nullptr, {376, 352, 81, 33}, 1, "続行(&C)"},
                {"MemoCheckedFiles", nullptr, nullptr, {16, 16, 441, 217}, 2}},
               "ＭＳ Ｐゴシック,12,128");
  const ControlInfo memo = Describe(Find(form, "MemoCheckedFiles"));
  EXPECT_TRUE(memo.style & WS_VSCROLL);
  EXPECT_FALSE(memo.style & (WS_HSCROLL | ES_READONLY | WS_TABSTOP));
  EXPECT_EQ(NameOf(FocusedControl(form)), "btnStop");
  EXPECT_EQ(NameOf(DefaultButton(form)), "btnStop");

  // Grouped by member in archive order; what Windows drops when it creates
  // the file (trailing dots, the main data stream, a final "." component)
  // hides no extension, and the names show as listed.
  EXPECT_THAT(MemoLines(memo.hwnd), ElementsAre("[ exe ] a.EXE", "[ scr ] docs\\tool.scr", "[ exe ] evil.exe.",
                                                "[ exe ] stream.exe::$DATA", "[ exe ] dot.exe\\."));

  const ControlInfo label = Describe(Find(form, "lblMessage"));
  EXPECT_EQ(label.text, Message("sample.lzh", install.Root() + "\\"));
  EXPECT_EQ(label.bounds.left, 16);
  EXPECT_EQ(label.bounds.top, 256);
  EXPECT_EQ(label.bounds.height, 3 * LineHeight("ＭＳ Ｐゴシック", 12));

  PressKey(form, VK_RETURN);
  EXPECT_EQ(ExitCode(process), kExitNormal);
  EXPECT_TRUE(install.NothingHandedOn(process));
}

TEST(MokurenaReport, OnlyContinueHandsOn) {
  struct Case {
    const char* what;
    std::function<void(HWND form, Process& process)> act;
    bool handedOn;
  };
  const Case cases[] = {
      {"Enter right away stops", [](HWND form, Process&) { PressKey(form, VK_RETURN); }, false},
      {"clicking continue hands on", [](HWND form, Process&) { Click(Find(form, "btnContinue")); }, true},
      {"the close box stops", [](HWND form, Process&) { PressCloseBox(form); }, false},
      {"Alt+F4 stops",
       [](HWND form, Process&) {
         PressKey(form, VK_F4, Modifiers{true, false, false});
       },
       false},
      {"Alt+C continues", [](HWND form, Process&) { PressAccessKey(form, 'c'); }, true},
      {"Alt+S stops", [](HWND form, Process&) { PressAccessKey(form, 's'); }, false},
      {"clicking stop stops", [](HWND form, Process&) { Click(Find(form, "btnStop")); }, false},
      {"with the memo focused stop stays the default button",
       [](HWND form, Process&) {
         HWND memo = Find(form, "MemoCheckedFiles");
         Click(memo);
         ASSERT_TRUE(WaitUntil([&] { return FocusedControl(form) == memo; }, 5000));
         Settle(form);
         EXPECT_EQ(NameOf(DefaultButton(form)), "btnStop");
         PressAccessKey(form, 's');
       },
       false},
      {"Escape does nothing, then Tab and Enter continue",
       [](HWND form, Process& process) {
         PressKey(form, VK_ESCAPE);
         EXPECT_TRUE(process.Running());
         EXPECT_TRUE(IsVisible(form));
         PressKey(form, VK_TAB);
         EXPECT_EQ(NameOf(FocusedControl(form)), "btnContinue");
         PressKey(form, VK_RETURN);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    Standard(install);
    const std::string archive = install.Archive("sample.lzh", Lha({"a.EXE"}));
    Process process = install.Start(Quoted(archive));
    HWND form = WaitForReport(process);
    ASSERT_NE(form, nullptr);
    c.act(form, process);
    EXPECT_EQ(ExitCode(process), kExitNormal);
    if (c.handedOn) {
      ExpectHandedOn(install.WaitForHandOff(), install, archive, install.WorkFolder());
    } else {
      EXPECT_TRUE(install.NothingHandedOn(process));
    }
  }
}

// ---------------------------------------------------------------- an archive that does not open

TEST(MokurenaOpenFailure, AsksTwiceAndHandsOnOnlyOnYes) {
  struct Case {
    const char* what;
    FixtureWriter archive;
    int answer;
  };
  const Case cases[] = {
      {"the library gives no handle, Yes", FixtureWriter().Accept("lha").OpenFails().Member("a.exe"), IDYES},
      {"the library gives no handle, No", FixtureWriter().Accept("lha").OpenFails().Member("a.exe"), IDNO},
      {"no archive of the library's format, Yes", FixtureWriter().Accept("zip").Member("a.exe"), IDYES},
  };
  bool screenshots = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    Standard(install);
    const std::string archive = install.Archive("broken.lzh", c.archive);
    Process process = install.Start(Quoted(archive));

    HWND first = process.WaitForMessageBox(15000);
    ASSERT_NE(first, nullptr);
    if (screenshots) {
      EXPECT_FALSE(Screenshot(first, "mokurena-open-failed-notice").empty());
    }
    const MessageBoxInfo notice = ReadMessageBox(first);
    EXPECT_EQ(notice.caption, "Mokurena");
    EXPECT_EQ(notice.text, kNotOpened);
    EXPECT_EQ(notice.icon, e2e::MessageIcon::Information);
    EXPECT_EQ(notice.buttons.size(), 1u);
    EXPECT_EQ(Describe(notice.owner).name, "frmQorbelMain");
    AnswerMessageBox(first, IDOK);

    HWND second = process.WaitForWindowWhere(
        [&](HWND hwnd) { return hwnd != first && ReadMessageBox(hwnd).text == kPassAnyway; }, 15000);
    ASSERT_NE(second, nullptr);
    if (screenshots) {
      EXPECT_FALSE(Screenshot(second, "mokurena-open-failed-question").empty());
    }
    screenshots = false;
    const MessageBoxInfo question = ReadMessageBox(second);
    EXPECT_EQ(question.caption, "Mokurena");
    EXPECT_EQ(question.icon, e2e::MessageIcon::Question);
    EXPECT_EQ(question.buttons.size(), 2u);
    EXPECT_EQ(question.defaultButtonId, IDYES);
    EXPECT_EQ(Describe(question.owner).name, "frmQorbelMain");
    AnswerMessageBox(second, c.answer);

    EXPECT_EQ(ExitCode(process), kExitNormal);
    if (c.answer == IDYES) {
      ExpectHandedOn(install.WaitForHandOff(), install, archive, install.WorkFolder());
    } else {
      EXPECT_TRUE(install.NothingHandedOn(process));
    }
  }
}

// ---------------------------------------------------------------- errors end the run

TEST(MokurenaErrors, ShowTheErrorBoxEndTheProcessAndHandOnNothing) {
  struct Case {
    const char* what;
    const char* screenshot;
    std::function<std::string(Installation&)> prepare;  // returns the archive path
    const char* locked;  // a settings file held open without sharing, so the program cannot read it
    std::string text;
    bool exactText;  // else the text only contains it
    bool listed;     // the library was called before the error
  };
  const Case cases[] = {
      {"the archive's library is missing", "mokurena-error-no-library",
       [](Installation& install) {
         install.ArchiverAs();
         return install.Archive("sample.lzh", Lha({"a.exe"}));
       },
       nullptr, "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。", true, false},
      {"the watch list cannot be read", "mokurena-error-watch-list",
       [](Installation& install) {
         Standard(install);
         install.WatchList("exe\r\n");
         return install.Archive("sample.lzh", Lha({"a.exe"}));
       },
       "checklst.ini", "checklst.ini", false, false},
      {"the archiver paths cannot be read at the hand-off", nullptr,
       [](Installation& install) {
         Standard(install);
         return install.Archive("sample.lzh", Lha({"a.txt"}));
       },
       "mokurena.ini", "mokurena.ini", false, true},
      {"the format cannot be determined", nullptr,
       [](Installation& install) {
         Standard(install);
         platform::WriteWholeFile(platform::JoinPath(install.Root(), "sample.dat"), "no archive at all");
         return platform::JoinPath(install.Root(), "sample.dat");
       },
       nullptr, "書庫の形式を判別できません。", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    const std::string archive = c.prepare(install);
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (c.locked) {
      lock = CreateFileA(install.Path(c.locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
      ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    }
    testsupport::ScopedCallLog log;
    Process process = install.Start(Quoted(archive));
    HWND box = process.WaitForMessageBox(15000);
    if (box && c.screenshot) {
      EXPECT_FALSE(Screenshot(box, c.screenshot).empty());
    }
    const MessageBoxInfo info = box ? ReadMessageBox(box) : MessageBoxInfo{};
    const std::vector<HWND> shown = process.Windows();
    if (box) AnswerMessageBox(box, IDOK);
    const DWORD exitCode = ExitCode(process);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    ASSERT_NE(box, nullptr);

    EXPECT_EQ(info.caption, "Mokurena");
    if (c.exactText) {
      EXPECT_EQ(info.text, c.text);
    } else {
      EXPECT_THAT(info.text, HasSubstr(c.text));
    }
    EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
    EXPECT_EQ(info.buttons.size(), 1u);
    EXPECT_THAT(shown, ElementsAre(box)) << "nothing else is shown";
    EXPECT_EQ(exitCode, kExitAfterError);
    EXPECT_TRUE(install.NothingHandedOn(process));
    EXPECT_EQ(log.Entries().empty(), !c.listed);
  }
}

// ---------------------------------------------------------------- the current folder

// The shell starts the program in the archive's folder, such as a downloads
// folder. A library planted there is never loaded: without one beside the
// program the missing-library box shows, with its exact text, and nothing is
// called; with one beside the program, that one lists.
TEST(MokurenaCurrentFolder, APlantedLibraryIsNeverLoaded) {
  const struct {
    const char* what;
    bool besideProgram;
  } cases[] = {{"only the planted library", false}, {"a library beside the program too", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    install.ArchiverAs();
    if (c.besideProgram) install.Library("UNLHA32.DLL");
    const std::string downloads = install.Make("downloads");
    platform::CopyFileTo(platform::JoinPath(testsupport::StandinFolder("full"), "UNLHA32.DLL"),
                         platform::JoinPath(downloads, "UNLHA32.DLL"));
    const std::string archive = install.Archive("downloads\\sample.lzh", Lha({"a.exe"}));
    testsupport::ScopedCallLog log;
    Process process = install.Start(Quoted(archive), downloads);
    if (!c.besideProgram) {
      HWND box = process.WaitForMessageBox(15000);
      ASSERT_NE(box, nullptr);
      const MessageBoxInfo info = ReadMessageBox(box);
      AnswerMessageBox(box, IDOK);
      EXPECT_EQ(info.text, "LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。");
      EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
      EXPECT_EQ(ExitCode(process), kExitAfterError);
      EXPECT_TRUE(log.Entries().empty()) << "the planted library was called";
      EXPECT_TRUE(install.NothingHandedOn(process));
    } else {
      HWND form = WaitForReport(process);
      ASSERT_NE(form, nullptr);
      EXPECT_THAT(MemoLines(Find(form, "MemoCheckedFiles")), ElementsAre("[ exe ] a.exe"));
      Click(Find(form, "btnContinue"));
      EXPECT_EQ(ExitCode(process), kExitNormal);
      EXPECT_FALSE(log.Entries().empty());
      ExpectHandedOn(install.WaitForHandOff(), install, archive, downloads);
    }
  }
}

// ---------------------------------------------------------------- hand-edited settings

// A watch list edited by hand counts as the settings dialog would have
// stored it: a UTF-8 signature (as Notepad saves one), capitals, blanks and
// dots hide no entry. The INI file may carry a signature too. The run only
// reads both files.
TEST(MokurenaWatchList, AHandEditedListMeansWhatItsUserWrote) {
  const struct {
    const char* what;
    std::string watchList;
    std::vector<std::string> lines;
  } cases[] = {
      {"a signature before the first entry",
       "\xEF\xBB\xBF"
       "bat\r\n",
       {"[ bat ] b.bat"}},
      {"capitals, blanks and dots", "EXE\r\n .Scr \r\n", {"[ exe ] a.exe", "[ scr ] c.SCR"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    install.Library("UNLHA32.DLL").WatchList(c.watchList);
    const std::string ini = "\xEF\xBB\xBF[Software]\r\nArchiverPath=" + install.Archiver() + "\r\n";
    install.Ini(ini);
    const std::string archive = install.Archive("sample.lzh", Lha({"a.exe", "b.bat", "c.SCR", "d.txt"}));
    Process process = install.Start(Quoted(archive));
    HWND form = WaitForReport(process);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(MemoLines(Find(form, "MemoCheckedFiles")), c.lines);
    Click(Find(form, "btnContinue"));
    EXPECT_EQ(ExitCode(process), kExitNormal);
    ExpectHandedOn(install.WaitForHandOff(), install, archive, install.WorkFolder());
    EXPECT_EQ(platform::ReadWholeFile(install.Path("checklst.ini")), c.watchList);
    EXPECT_EQ(platform::ReadWholeFile(install.Path("mokurena.ini")), ini);
  }
}

// ---------------------------------------------------------------- no argument

TEST(MokurenaSettings, NoArgumentOrEmptyQuotesOpenTheSettingsDialog) {
  for (const char* arguments : {"", "\"\"", "\"\" \"\""}) {
    SCOPED_TRACE(std::string("arguments: ") + arguments);
    Installation install;
    Standard(install);
    Process process = install.Start(arguments);
    HWND dialog = process.WaitForWindowWhere([](HWND hwnd) { return Describe(hwnd).name == "frmConfig"; }, 15000);
    ASSERT_NE(dialog, nullptr);
    if (arguments[0] == '\0') {
      EXPECT_FALSE(Screenshot(dialog, "mokurena-settings").empty());
    }
    EXPECT_EQ(Describe(GetWindow(dialog, GW_OWNER)).name, "frmQorbelMain");
    EXPECT_THAT(process.Windows(), ElementsAre(dialog));
    PressCloseBox(dialog);
    EXPECT_EQ(ExitCode(process), kExitNormal);
    EXPECT_TRUE(install.NothingHandedOn(process));
  }
}

// ---------------------------------------------------------------- awkward input

TEST(MokurenaAwkwardInput, PathsWithBlanksJapaneseAndQuotesArriveWhole) {
  struct Case {
    const char* what;
    std::string folder;    // below the root; the archive and the program live there
    std::string fileName;  // of the archive
    // The command line's arguments for the archive's full path.
    std::function<std::string(const std::string& folder, const std::string& file)> arguments;
    const char* screenshot;
  };
  const Case cases[] = {
      {"blanks, quoted whole", "my archives", "sample file.lzh",
       [](const std::string& folder, const std::string& file) { return Quoted(folder + "\\" + file); }, nullptr},
      {"Japanese names with 0x5C trail bytes", "表示ソフト 書庫", "能力.lzh",
       [](const std::string& folder, const std::string& file) { return Quoted(folder + "\\" + file); },
       "mokurena-report-japanese-path"},
      {"quotes around a stretch only", "my archives", "sample file.lzh",
       [](const std::string& folder, const std::string& file) {
         return folder.substr(0, 3) + "\"" + folder.substr(3) + "\\" + file.substr(0, 11) + "\"" + file.substr(11);
       },
       nullptr},
      {"an empty pair of quotes before the path", "my archives", "sample file.lzh",
       [](const std::string& folder, const std::string& file) { return "\"\" \"\"" + Quoted(folder + "\\" + file); },
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install(c.folder);
    Standard(install);
    const std::string archive = install.Archive(c.folder + "\\" + c.fileName, Lha({"a.EXE"}));
    Process process = install.Start(c.arguments(install.Folder(), c.fileName));
    HWND form = WaitForReport(process);
    ASSERT_NE(form, nullptr);
    if (c.screenshot) {
      EXPECT_FALSE(Screenshot(form, c.screenshot).empty());
    }
    EXPECT_EQ(Text(Find(form, "lblMessage")), Message(c.fileName, install.Folder() + "\\"));
    Click(Find(form, "btnContinue"));
    EXPECT_EQ(ExitCode(process), kExitNormal);
    ExpectHandedOn(install.WaitForHandOff(), install, archive, install.WorkFolder());
  }
}

TEST(MokurenaAwkwardInput, ARelativePathIsHandedOnAsGivenInTheCurrentFolder) {
  Installation install;
  Standard(install);
  const std::string folder = install.Make("archives");
  install.Archive("archives\\data.lzh", Lha({"readme.txt"}));
  Process process = install.Start("data.lzh", folder);
  EXPECT_EQ(ExitCode(process), kExitNormal);
  ExpectHandedOn(install.WaitForHandOff(), install, "data.lzh", folder);
}

TEST(MokurenaAwkwardInput, MemberNamesWithControlCharactersStayOneLineEach) {
  Installation install;
  Standard(install);
  const std::string archive = install.Archive("names.lzh", FixtureWriter()
                                                               .Accept("lha")
                                                               .Member("fake.txt\r\n[ exe ] looks-like-a-line.exe")
                                                               .Member("tab\there.scr")
                                                               .Member("bell\x07.bat")
                                                               .Member("evil.exe ")
                                                               .Member("quiet.txt")
                                                               .Member("ソフト\\表.PIF"));
  Process process = install.Start(Quoted(archive));
  HWND form = WaitForReport(process);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(Screenshot(form, "mokurena-report-escaped-names").empty());
  EXPECT_THAT(MemoLines(Find(form, "MemoCheckedFiles")),
              ElementsAre("[ exe ] fake.txt<CR><LF>[ exe ] looks-like-a-line.exe", "[ scr ] tab<TAB>here.scr",
                          "[ bat ] bell<07>.bat", "[ exe ] evil.exe ", "[ pif ] ソフト\\表.PIF"));
  PressKey(form, VK_RETURN);
  EXPECT_EQ(ExitCode(process), kExitNormal);
}

TEST(MokurenaAwkwardInput, DamagedSettingsFilesNeitherCrashNorLoseWhatTheyHold) {
  std::string longLine(100000, 'x');
  // A NUL ends the list: bat and scr after it are not watched.
  const std::string watchList =
      longLine + "\r\n\x82\r\n\xFF\xFE\r\nexe\r\n\x81\r\n" + std::string(1, '\0') + "bat\r\nscr\r\n";
  // Every byte but NUL, in a scrambled order.
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 37 + 11) % 255 + 1);

  struct Case {
    const char* what;
    std::string watchList;
    std::function<std::string(const Installation&)> ini;
    bool reported;
    bool handedOn;
  };
  const Case cases[] = {
      {"watch list with a long line, broken Shift_JIS and a NUL: exe counts, what follows the NUL does not", watchList,
       [](const Installation& install) { return "[Software]\r\nArchiverPath=" + install.Archiver(); }, true, true},
      {"an INI file of garbage hands on nothing", "exe\r\n", [garbage](const Installation&) { return garbage; }, false,
       false},
      {"garbage around the section still gives its path", "exe\r\n",
       [garbage](const Installation& install) {
         return garbage + "\r\n[software]\r\n  archiverpath =  " + install.Archiver() + "  \r\n" + garbage;
       },
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    install.Library("UNLHA32.DLL").WatchList(c.watchList).Ini(c.ini(install));
    const std::string archive = install.Archive("sample.lzh", Lha({"a.exe", "b.scr", "c.bat"}));
    Process process = install.Start(Quoted(archive));
    HWND form = WaitForReport(process);
    ASSERT_NE(form, nullptr);
    if (c.reported) {
      EXPECT_THAT(MemoLines(Find(form, "MemoCheckedFiles")), ElementsAre("[ exe ] a.exe"));
    }
    Click(Find(form, "btnContinue"));
    EXPECT_EQ(ExitCode(process), kExitNormal);
    if (c.handedOn) {
      ExpectHandedOn(install.WaitForHandOff(), install, archive, install.WorkFolder());
    } else {
      EXPECT_TRUE(install.NothingHandedOn(process));
    }
    // The run only reads its settings.
    EXPECT_EQ(platform::ReadWholeFile(install.Path("checklst.ini")), c.watchList);
    EXPECT_EQ(platform::ReadWholeFile(install.Path("mokurena.ini")), c.ini(install));
  }
}
