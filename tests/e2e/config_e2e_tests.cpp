// The settings dialog end to end: the program is copied into a folder of its
// own, started without an argument under Wine and worked through its windows;
// the tests check its settings files, Wine's registry and what it started.
#include <windows.h>

#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/WindowExpectations.h"
#include "tests/support/StandinSupport.h"

using namespace e2e;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string kCaption = "設定 - Mokurena";
const std::string kFont = "MS UI Gothic,12,128";
const std::string kDefaultList = "bat\r\nexe\r\npif\r\nscr\r\n";
const std::string kPrompt = "追加する拡張子を入力してください（.は要りません。例\"exe\"）";
const std::string kNeedsXP = "この機能はXP以降のWindowsで利用可能です。";

// The seven path fields with their browse buttons, in the order of the INI keys.
const std::pair<const char*, const char*> kPathRows[] = {
    {"EditArchiverpath", "btnArchiverpath"}, {"EditLzhpath", "btnlzhpath"}, {"EditZippath", "btnzippath"},
    {"EditCabpath", "btncabpath"},           {"edit7zpath", "btn7zpath"},   {"editRarpath", "btnrarpath"},
    {"EditGcapath", "btnGcapath"},
};
const char* const kTypeBoxes[] = {"cblzh", "cbzip", "cbcab", "cb7z", "cbrar", "cbgca"};

// ---------------------------------------------------------------- registry, as the tests see it

std::string RegistryDefault(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return "(no key)";
  char buffer[2048] = "";
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  const LONG r = RegQueryValueExA(opened, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(opened);
  if (r != ERROR_SUCCESS) return "(no value)";
  return std::string(buffer, size).c_str();
}

std::string ClassesDefault(const std::string& key) { return RegistryDefault(HKEY_CLASSES_ROOT, key); }

void SetClassesDefault(const std::string& key, const std::string& value) {
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &created, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(created, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(created);
}

// The open command registered for ext, followed from its file type.
std::string OpenCommandOf(const std::string& ext) {
  return ClassesDefault(ClassesDefault("." + ext) + "\\shell\\open\\command");
}

// Sets a string value below HKEY_CURRENT_USER while it lives, then puts back
// what was there. Wine reads its settings there when a program starts
// ("Software\Wine" Version, "Software\Wine\DllOverrides").
class ScopedUserValue {
 public:
  ScopedUserValue(const std::string& key, const std::string& name, const std::string& value) : name_(name) {
    RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    char buffer[256] = "";
    DWORD size = sizeof buffer - 1;
    hadValue_ = RegQueryValueExA(key_, name_.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS;
    previous_ = buffer;
    Set(value);
  }
  ~ScopedUserValue() {
    if (hadValue_) {
      Set(previous_);
    } else {
      RegDeleteValueA(key_, name_.c_str());
    }
    RegCloseKey(key_);
  }
  ScopedUserValue(const ScopedUserValue&) = delete;
  ScopedUserValue& operator=(const ScopedUserValue&) = delete;

 private:
  void Set(const std::string& value) {
    RegSetValueExA(key_, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }

  HKEY key_ = nullptr;
  std::string name_;
  bool hadValue_ = false;
  std::string previous_;
};

// ---------------------------------------------------------------- the dialog

std::string FolderNameOf(const std::string& folder) {
  std::string trimmed = folder;
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  return trimmed.substr(trimmed.find_last_of('\\') + 1);
}

class ConfigDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    folder_ = std::string(temp) + "mkcfg-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) +
              "-設定\\";
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    exe_ = folder_ + "mokurena.exe";
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "mokurena.exe").c_str(), exe_.c_str(), FALSE));
    watch_ = folder_ + "checklst.ini";
    ini_ = folder_ + "mokurena.ini";
  }
  void TearDown() override { platform::RemoveTree(folder_); }

  Process Start(std::vector<std::pair<std::string, std::string>> environment = {},
                const std::string& currentFolder = "") {
    return Process::Start({exe_, "\"" + exe_ + "\"", std::move(environment), currentFolder});
  }

  // The dialog of a started program, once it has its focus.
  HWND Dialog(Process& program) {
    HWND form = program.WaitForWindow(kCaption);
    EXPECT_NE(form, nullptr) << "no settings dialog";
    if (form) WaitUntil([&] { return FocusedControl(form) != nullptr; }, 5000);
    return form;
  }

  DWORD ExitCode(Process& program) {
    const auto code = program.WaitForExit(15000);
    EXPECT_TRUE(code.has_value()) << "the program did not end";
    return code.value_or(0xFFFFFFFF);
  }

  // The second page comes up by the tab control's arrow key, once Tab has
  // brought the focus to the tab control.
  void ShowAssociationsPage(HWND form) {
    HWND tabs = Find(form, "PageControl1");
    WaitUntil([&] { return FocusedControl(form) != nullptr; }, 5000);
    for (int i = 0; i < 40 && FocusedControl(form) != tabs; ++i) PressKey(form, VK_TAB);
    ASSERT_EQ(FocusedControl(form), tabs) << "focus on " << NameOf(FocusedControl(form));
    PressKey(form, VK_RIGHT);
    ASSERT_TRUE(WaitUntil([&] { return ActiveTab(tabs) == 1 && IsVisible(Find(form, "TabSheet2")); }, 5000));
  }

  // Presses Add and answers the prompt; nothing typed and cancel is Cancel.
  void Add(Process& program, HWND form, const std::string& typed, bool ok) {
    Click(Find(form, "btnChkExtAdd"));
    HWND prompt = program.WaitForWindowWhere([](HWND hwnd) { return FindControl(hwnd, "edtValue") != nullptr; });
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return NameOf(FocusedControl(prompt)) == "edtValue"; }, 5000));
    if (!typed.empty()) TypeText(prompt, typed);
    Click(Find(prompt, ok ? "btnOk" : "btnCancel"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prompt) || !IsVisible(prompt); }, 5000));
    Settle(form);
  }

  std::vector<std::string> Items(HWND form) { return ListItems(Find(form, "lbChkExt")); }

  std::string ReadFile(const std::string& path) { return platform::ReadWholeFile(path); }

  // The names in the program's folder.
  std::vector<std::string> FolderContents() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder_ + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string folder_, exe_, watch_, ini_;
};

// ---------------------------------------------------------------- layout

TEST_F(ConfigDialogTest, EveryControlStandsWhereTheLayoutSaysInTabOrder) {
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);

  EXPECT_EQ(program.Windows(), std::vector<HWND>{form}) << "only the dialog is shown";
  const Rect client = ClientOnScreen(form);
  EXPECT_EQ(client.width, 472);
  EXPECT_EQ(client.height, 393);
  EXPECT_TRUE(IsFormCentred(form));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(form, GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(Describe(form).font, kFont);

  const std::vector<ExpectedControl> table = {
      {"PageControl1", "SysTabControl32", nullptr, {0, 0, 472, 345}, 0, ""},
      {"Button5", "Button", nullptr, {384, 360, 75, 25}, 1, "閉じる(&C)"},
      {"Button6", "Button", nullptr, {296, 360, 75, 25}, 2, "適用(&A)"},
      {"GroupBox1", "Button", "TabSheet1", {8, 8, 225, 297}, 0, "監視する拡張子"},
      {"btnZipFolderAttach", "Button", "TabSheet1", {248, 48, 137, 25}, 1, "zipフォルダを有効にする"},
      {"btnZipFolderRelease", "Button", "TabSheet1", {248, 16, 137, 25}, 2, "zipフォルダを無効にする"},
      {"lbChkExt", "ListBox", "GroupBox1", {16, 24, 89, 257}, 0, ""},
      {"btnChkExtAdd", "Button", "GroupBox1", {120, 24, 89, 25}, 1, "追加"},
      {"btnChkExtDelete", "Button", "GroupBox1", {120, 56, 89, 25}, 2, "削除"},
      {"btnChkExtinit", "Button", "GroupBox1", {120, 88, 89, 25}, 3, "初期化"},
      {"GroupBox2", "Button", "TabSheet2", {8, 8, 449, 57}, 0, "解凍ソフト（一般）"},
      {"GroupBox3", "Button", "TabSheet2", {8, 72, 449, 233}, 1, "関連付け＆固有ソフトの指定"},
      {"EditArchiverpath", "Edit", "GroupBox2", {16, 24, 369, 20}, 0, ""},
      {"btnArchiverpath", "Button", "GroupBox2", {384, 24, 49, 20}, 1, "..."},
      {"cblzh", "Button", "GroupBox3", {16, 24, 49, 17}, 0, ".lzh"},
      {"EditLzhpath", "Edit", "GroupBox3", {72, 24, 337, 20}, 1, ""},
      {"btnlzhpath", "Button", "GroupBox3", {408, 24, 25, 20}, 2, "..."},
      {"cbzip", "Button", "GroupBox3", {16, 48, 49, 17}, 3, ".zip"},
      {"EditZippath", "Edit", "GroupBox3", {72, 48, 337, 20}, 4, ""},
      {"btnzippath", "Button", "GroupBox3", {408, 48, 25, 20}, 5, "..."},
      {"cbcab", "Button", "GroupBox3", {16, 72, 49, 17}, 6, ".cab"},
      {"EditCabpath", "Edit", "GroupBox3", {72, 72, 337, 20}, 7, ""},
      {"btncabpath", "Button", "GroupBox3", {408, 72, 25, 20}, 8, "..."},
      {"cb7z", "Button", "GroupBox3", {16, 104, 49, 17}, 9, ".7z"},
      {"edit7zpath", "Edit", "GroupBox3", {72, 104, 337, 20}, 10, ""},
      {"btn7zpath", "Button", "GroupBox3", {408, 104, 25, 20}, 11, "..."},
      {"cbrar", "Button", "GroupBox3", {16, 128, 49, 17}, 12, ".rar"},
      {"editRarpath", "Edit", "GroupBox3", {72, 128, 337, 20}, 13, ""},
      {"btnrarpath", "Button", "GroupBox3", {408, 128, 25, 20}, 14, "..."},
      {"cbgca", "Button", "GroupBox3", {16, 152, 49, 17}, 15, ".gca"},
      {"EditGcapath", "Edit", "GroupBox3", {72, 152, 337, 20}, 16, ""},
      {"btnGcapath", "Button", "GroupBox3", {408, 152, 25, 20}, 17, "..."},
  };
  ExpectLayout(form, table, kFont);
  // Kinds that the class name alone doesn't tell.
  for (const char* box : kTypeBoxes) {
    EXPECT_EQ(Describe(Find(form, box)).style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX)) << box;
  }
  for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox3"}) {
    EXPECT_EQ(Describe(Find(form, group)).style & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX)) << group;
  }
  HWND list = Find(form, "lbChkExt");
  EXPECT_FALSE(Describe(list).style & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 12);

  // Two pages in the tab control, the first one shown.
  HWND tabs = Find(form, "PageControl1");
  EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
  HWND page1 = Find(form, "TabSheet1");
  HWND page2 = Find(form, "TabSheet2");
  EXPECT_EQ(GetParent(page1), tabs);
  EXPECT_EQ(GetParent(page2), tabs);
  EXPECT_EQ(Text(page1), "全般");
  EXPECT_EQ(Text(page2), "関連付け");
  EXPECT_EQ(ActiveTab(tabs), 0);
  EXPECT_TRUE(IsVisible(page1));
  EXPECT_FALSE(IsVisible(page2));

  // Filled from nothing: the default list, empty paths, nothing associated.
  EXPECT_THAT(ListItems(list), ElementsAre("bat", "exe", "pif", "scr"));
  EXPECT_EQ(ListSelection(list), -1);
  for (const auto& row : kPathRows) EXPECT_EQ(Text(Find(form, row.first)), "") << row.first;
  for (const char* box : kTypeBoxes) EXPECT_FALSE(IsChecked(Find(form, box))) << box;

  // No default and no cancel button: Enter and Escape do nothing.
  EXPECT_EQ(NameOf(FocusedControl(form)), "PageControl1");
  EXPECT_EQ(DefaultButton(form), nullptr);
  EXPECT_FALSE(Screenshot(form, "config-page1").empty());
  PressKey(form, VK_RETURN);
  PressKey(form, VK_ESCAPE);
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(program.WaitForMessageBox(0), nullptr);

  ShowAssociationsPage(form);
  EXPECT_FALSE(IsVisible(page1));
  EXPECT_FALSE(Screenshot(form, "config-page2").empty());

  // Tab runs through the second page's controls in their order.
  const std::vector<std::string> order = {
      "EditArchiverpath", "btnArchiverpath", "cblzh",   "EditLzhpath", "btnlzhpath",  "cbzip",
      "EditZippath",      "btnzippath",      "cbcab",   "EditCabpath", "btncabpath",  "cb7z",
      "edit7zpath",       "btn7zpath",       "cbrar",   "editRarpath", "btnrarpath",  "cbgca",
      "EditGcapath",      "btnGcapath",      "Button5", "Button6",     "PageControl1"};
  for (const std::string& expected : order) {
    PressKey(form, VK_TAB);
    EXPECT_EQ(NameOf(FocusedControl(form)), expected);
  }
  PressCloseBox(form);
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_THAT(FolderContents(), ElementsAre("mokurena.exe")) << "closing writes nothing";
}

// ---------------------------------------------------------------- the watch list

TEST_F(ConfigDialogTest, AddNormalisesAndSortsAndCancelAddsNothing) {
  // A hand-edited entry shows as the prompt would have stored it.
  platform::WriteWholeFile(watch_, "scr\r\npif\r\n .Zip \r\nbat\r\n");
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  EXPECT_THAT(Items(form), ElementsAre("scr", "pif", "zip", "bat")) << "loaded in file order";

  // The prompt: no title, the prompt text, an empty field, owned by the dialog.
  Click(Find(form, "btnChkExtAdd"));
  HWND prompt = program.WaitForWindowWhere([](HWND hwnd) { return FindControl(hwnd, "edtValue") != nullptr; });
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(Text(prompt), "");
  EXPECT_EQ(Text(Find(prompt, "lblPrompt")), kPrompt);
  EXPECT_EQ(Text(Find(prompt, "edtValue")), "");
  EXPECT_EQ(GetWindow(prompt, GW_OWNER), form);
  EXPECT_FALSE(IsWindowEnabled(form));
  ASSERT_TRUE(WaitUntil([&] { return NameOf(FocusedControl(prompt)) == "edtValue"; }, 5000));
  TypeText(prompt, "zzz");
  EXPECT_FALSE(Screenshot(prompt, "config-add-prompt").empty());
  PressKey(prompt, VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prompt) || !IsVisible(prompt); }, 5000));
  Settle(form);
  // Cancel adds nothing, but the list is sorted all the same.
  EXPECT_THAT(Items(form), ElementsAre("bat", "pif", "scr", "zip"));

  const struct {
    const char* typed;
    bool ok;
    std::vector<std::string> expected;
  } steps[] = {
      {".EXE ", true, {"bat", "exe", "pif", "scr", "zip"}},
      {"tar.gz", true, {"bat", "exe", "pif", "scr", "targz", "zip"}},
      {"lzh", false, {"bat", "exe", "pif", "scr", "targz", "zip"}},
      {" . . ", true, {"bat", "exe", "pif", "scr", "targz", "zip"}},
      {"", true, {"bat", "exe", "pif", "scr", "targz", "zip"}},
      {"Cab", true, {"bat", "cab", "exe", "pif", "scr", "targz", "zip"}},
      {"exe", true, {"bat", "cab", "exe", "exe", "pif", "scr", "targz", "zip"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string("typed \"") + step.typed + (step.ok ? "\", OK" : "\", Cancel"));
    Add(program, form, step.typed, step.ok);
    EXPECT_EQ(Items(form), step.expected);
  }
  Click(Find(form, "Button6"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_EQ(ReadFile(watch_), "bat\r\ncab\r\nexe\r\nexe\r\npif\r\nscr\r\ntargz\r\nzip\r\n");
}

TEST_F(ConfigDialogTest, DeleteNeedsASelectionAndAnEmptiedListStaysEmpty) {
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  HWND list = Find(form, "lbChkExt");

  Click(Find(form, "btnChkExtDelete"));
  HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(Screenshot(box, "config-nothing-selected").empty());
  const MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_EQ(info.text, "選択されていません");
  EXPECT_EQ(info.icon, e2e::MessageIcon::Information);
  EXPECT_EQ(info.buttons.size(), 1u);
  EXPECT_EQ(info.owner, form);
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  Settle(form);
  EXPECT_THAT(ListItems(list), ElementsAre("bat", "exe", "pif", "scr"));

  SelectListItem(list, 1);
  Click(Find(form, "btnChkExtDelete"));
  Settle(form);
  EXPECT_THAT(ListItems(list), ElementsAre("bat", "pif", "scr"));
  for (int left = 3; left > 0; --left) {
    SelectListItem(list, 0);
    Click(Find(form, "btnChkExtDelete"));
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int>(ListItems(list).size()) == left - 1; }, 5000));
  }
  Click(Find(form, "Button6"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_TRUE(platform::FileExists(watch_));
  EXPECT_EQ(ReadFile(watch_), "");

  // The next start watches nothing: the defaults do not come back.
  Process again = Start();
  form = Dialog(again);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(Items(form).empty());
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(again), 0u);
}

TEST_F(ConfigDialogTest, ResetIsKeptOnlyByApply) {
  const std::string list = "zip\r\nlzh\r\n";
  const std::string ini = "[Other]\r\nk=v\r\n";
  const struct {
    const char* what;
    std::function<void(HWND)> close;
  } discards[] = {
      {"Close", [](HWND form) { Click(FindControl(form, "Button5")); }},
      {"Alt+C", [](HWND form) { PressAccessKey(form, 'c'); }},
      {"the close box", [](HWND form) { PressCloseBox(form); }},
  };
  for (const auto& discard : discards) {
    SCOPED_TRACE(discard.what);
    platform::WriteWholeFile(watch_, list);
    platform::WriteWholeFile(ini_, ini);
    Process program = Start();
    HWND form = Dialog(program);
    ASSERT_NE(form, nullptr);
    EXPECT_THAT(Items(form), ElementsAre("zip", "lzh"));
    Click(Find(form, "btnChkExtinit"));
    Settle(form);
    EXPECT_THAT(Items(form), ElementsAre("bat", "exe", "pif", "scr"));
    discard.close(form);
    EXPECT_EQ(ExitCode(program), 0u);
    EXPECT_EQ(ReadFile(watch_), list);
    EXPECT_EQ(ReadFile(ini_), ini);
  }

  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  Click(Find(form, "btnChkExtinit"));
  Settle(form);
  PressAccessKey(form, 'a');
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_EQ(ReadFile(watch_), kDefaultList);
  EXPECT_EQ(ReadFile(ini_),
            "[Other]\r\nk=v\r\n\r\n[Software]\r\nArchiverPath=\r\nlzhPath=\r\nzipPath=\r\ncabPath=\r\n7zPath=\r\n"
            "rarPath=\r\ngcaPath=\r\n\r\n");
  EXPECT_THAT(FolderContents(), ElementsAre("checklst.ini", "mokurena.exe", "mokurena.ini"))
      << "no temporary file is left behind";
}

// ---------------------------------------------------------------- archiver paths

TEST_F(ConfigDialogTest, PathsAreSavedAsTypedAndReadBackTrimmed) {
  const std::string typed[] = {" C:\\Program Files\\解凍\\arc.exe ",
                               "C:\\nowhere\\lzh.exe",
                               "\"C:\\quoted\\zip.exe\"",
                               "",
                               "not a path = at all",
                               "D:\\\x83\x5C\\rar.exe",
                               "C:\\gca.exe\t"};
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  ShowAssociationsPage(form);
  for (std::size_t i = 0; i < 7; ++i) SetText(Find(form, kPathRows[i].first), typed[i]);
  Click(Find(form, "Button6"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_EQ(ReadFile(ini_),
            "[Software]\r\nArchiverPath= C:\\Program Files\\解凍\\arc.exe \r\nlzhPath=C:\\nowhere\\lzh.exe\r\n"
            "zipPath=\"C:\\quoted\\zip.exe\"\r\ncabPath=\r\n7zPath=not a path = at all\r\n"
            "rarPath=D:\\\x83\x5C\\rar.exe\r\ngcaPath=C:\\gca.exe\t\r\n\r\n");
  EXPECT_EQ(ReadFile(watch_), kDefaultList) << "Apply writes the list too";

  Process again = Start();
  form = Dialog(again);
  ASSERT_NE(form, nullptr);
  const std::string shown[] = {"C:\\Program Files\\解凍\\arc.exe",
                               "C:\\nowhere\\lzh.exe",
                               "\"C:\\quoted\\zip.exe\"",
                               "",
                               "not a path = at all",
                               "D:\\\x83\x5C\\rar.exe",
                               "C:\\gca.exe"};
  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(Text(Find(form, kPathRows[i].first)), shown[i]) << kPathRows[i].first;
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(again), 0u);
}

TEST_F(ConfigDialogTest, EveryBrowseButtonFillsItsOwnFieldFromTheFileDialog) {
  const std::string chosen = folder_ + "arc.exe";
  platform::WriteWholeFile(chosen, "MZ");
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  ShowAssociationsPage(form);

  auto openFileDialog = [&](HWND button) {
    Click(button);
    return program.WaitForWindowWhere(
        [](HWND hwnd) { return ClassName(hwnd) == "#32770" && FindControlByText(hwnd, "ComboBox", "") != nullptr; });
  };
  auto fileNameField = [](HWND dialog) -> HWND {
    for (const ControlInfo& control : ListControls(dialog)) {
      if (control.className == "Edit" && IsVisible(control.hwnd)) return control.hwnd;
    }
    return nullptr;
  };

  // Each field starts out naming the program itself, an existing file.
  for (const auto& row : kPathRows) SetText(Find(form, row.first), exe_);
  for (const auto& row : kPathRows) {
    SCOPED_TRACE(row.second);
    HWND dialog = openFileDialog(Find(form, row.second));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), form);
    bool filterShown = false;
    bool folderShown = false;
    for (const ControlInfo& control : ListControls(dialog)) {
      if (control.className != "ComboBox") continue;
      filterShown = filterShown || Text(control.hwnd) == "*.exe";
      folderShown = folderShown || Text(control.hwnd) == FolderNameOf(folder_);
    }
    EXPECT_TRUE(filterShown) << "the one filter *.exe";
    EXPECT_TRUE(folderShown) << "starts in the folder of the field's file";
    if (row.second == std::string("btnArchiverpath")) {
      EXPECT_FALSE(Screenshot(dialog, "config-file-open").empty());
    }
    HWND name = fileNameField(dialog);
    ASSERT_NE(name, nullptr);
    SetText(name, chosen);
    Click(GetDlgItem(dialog, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return Text(Find(form, row.first)) == chosen; }, 5000)) << Text(Find(form, row.first));
    for (const auto& other : kPathRows) {
      if (other.first == row.first) continue;
      const std::string text = Text(Find(form, other.first));
      EXPECT_TRUE(text == exe_ || text == chosen) << other.first << ": " << text;
    }
    Settle(form);
  }

  // Cancel keeps a field that names a file, empties one that names none.
  const struct {
    std::string before;
    std::string after;
  } cancels[] = {{exe_, exe_}, {folder_ + "missing.exe", ""}, {"", ""}};
  HWND field = Find(form, "EditZippath");
  for (const auto& c : cancels) {
    SetText(field, c.before);
    HWND dialog = openFileDialog(Find(form, "btnzippath"));
    ASSERT_NE(dialog, nullptr);
    Click(GetDlgItem(dialog, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || !IsVisible(dialog); }, 5000));
    Settle(form);
    EXPECT_EQ(Text(field), c.after) << "from \"" << c.before << "\"";
  }
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(program), 0u);
}

// ---------------------------------------------------------------- associations

TEST_F(ConfigDialogTest, ATickedTypeIsAssociatedAndShowsTickedNextTime) {
  SetClassesDefault(".zip", "SentinelZipType");
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  ShowAssociationsPage(form);
  EXPECT_FALSE(IsChecked(Find(form, "cblzh")));
  Click(Find(form, "cblzh"));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(Find(form, "cblzh")); }, 5000));
  Click(Find(form, "Button6"));
  EXPECT_EQ(ExitCode(program), 0u);

  EXPECT_EQ(ClassesDefault(".lzh"), "QorbellzhFile");
  EXPECT_EQ(ClassesDefault("QorbellzhFile"), "lzhFile");
  EXPECT_EQ(ClassesDefault("QorbellzhFile\\DefaultIcon"), "\"" + exe_ + "\",0");
  EXPECT_EQ(ClassesDefault("QorbellzhFile\\shell\\open\\command"), "\"" + exe_ + "\" \"%1\"");
  EXPECT_EQ(ClassesDefault(".zip"), "SentinelZipType") << "a type not ticked is not touched";

  // Ticked at the next start; clearing the box and applying removes nothing.
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "after associating" : "after clearing the box");
    Process again = Start();
    form = Dialog(again);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(IsChecked(Find(form, "cblzh")));
    for (const char* box : kTypeBoxes) {
      if (box != std::string("cblzh")) {
        EXPECT_FALSE(IsChecked(Find(form, box))) << box;
      }
    }
    if (run == 0) {
      ShowAssociationsPage(form);
      Click(Find(form, "cblzh"));
      ASSERT_TRUE(WaitUntil([&] { return !IsChecked(Find(form, "cblzh")); }, 5000));
      Click(Find(form, "Button6"));
    } else {
      Click(Find(form, "Button5"));
    }
    EXPECT_EQ(ExitCode(again), 0u);
    EXPECT_EQ(OpenCommandOf("lzh"), "\"" + exe_ + "\" \"%1\"");
  }
}

TEST_F(ConfigDialogTest, BoxesShowWhetherTheOpenCommandNamesThisExecutable) {
  std::string upper = exe_;
  CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
  std::string lower = exe_;
  CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
  // One file type per extension, as another program might have left it.
  const struct {
    const char* ext;
    std::string fileType;  // empty: the extension key's value is empty
    std::string command;
    bool ticked;
  } cases[] = {
      {"lzh", "E2eUpper", "\"" + upper + "\" \"%1\"", true},
      {"zip", "E2eLower", lower + " %1", true},
      {"cab", "E2eElsewhere", "\"C:\\elsewhere\\mokurena.exe\" \"%1\"", false},
      {"7z", "", "", false},
      {"rar", "E2eNoCommand", "", false},
      {"gca", "E2eInside", "cmd /c \"\"" + exe_ + "\" \"%1\"\"", true},
  };
  for (const auto& c : cases) {
    SetClassesDefault(std::string(".") + c.ext, c.fileType);
    if (!c.command.empty()) SetClassesDefault(c.fileType + "\\shell\\open\\command", c.command);
  }
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(IsChecked(Find(form, kTypeBoxes[i])), cases[i].ticked) << cases[i].ext;
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(program), 0u);
  for (const auto& c : cases) EXPECT_EQ(ClassesDefault(std::string(".") + c.ext), c.fileType) << "Close writes nothing";
}

TEST_F(ConfigDialogTest, TheProgramCopiedElsewhereIsNotTheAssociatedOne) {
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  ShowAssociationsPage(form);
  for (const char* box : {"cblzh", "cb7z"}) Click(Find(form, box));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(Find(form, "cb7z")); }, 5000));
  Click(Find(form, "Button6"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_EQ(OpenCommandOf("7z"), "\"" + exe_ + "\" \"%1\"");

  const std::string other = folder_ + "copy\\";
  ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA(exe_.c_str(), (other + "mokurena.exe").c_str(), FALSE));
  Process copy = Process::Start({other + "mokurena.exe", "\"" + other + "mokurena.exe\"", {}, ""});
  form = Dialog(copy);
  ASSERT_NE(form, nullptr);
  for (const char* box : kTypeBoxes) EXPECT_FALSE(IsChecked(Find(form, box))) << box;
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(copy), 0u);

  Process original = Start();
  form = Dialog(original);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(IsChecked(Find(form, "cblzh")));
  EXPECT_TRUE(IsChecked(Find(form, "cb7z")));
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(original), 0u);
}

// ---------------------------------------------------------------- ZIP folder switch

// Puts the stand-in archiver program, which records its command line, in the
// place of the system's registration tool, and has Wine run that file instead
// of its built-in tool (the registry's form of
// WINEDLLOVERRIDES=regsvr32.exe=n, which Wine takes from there for every
// program started, while the variable counts only where Wine itself starts).
class ZipFolderTest : public ConfigDialogTest {
 protected:
  void SetUp() override {
    ConfigDialogTest::SetUp();
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(
        CopyFileA(testsupport::StandinArchiverPath().c_str(), (std::string(system) + "\\regsvr32.exe").c_str(), FALSE));
    // Wine cuts a non-ASCII value of GetEnvironmentVariableA short, so the
    // record goes to a folder with an ASCII name.
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    record_ = std::string(temp) + "mkcfg-regsvr32-" + std::to_string(GetCurrentProcessId()) + ".record";
    DeleteFileA(record_.c_str());
  }
  void TearDown() override {
    DeleteFileA(record_.c_str());
    ConfigDialogTest::TearDown();
  }

  // Started in a folder that holds a regsvr32.exe of its own, which records
  // to the same file: only the system's copy may run.
  Process StartWithStandIn() {
    const std::string planted = folder_ + "planted\\";
    CreateDirectoryA(planted.c_str(), nullptr);
    CopyFileA(testsupport::StandinArchiverPath().c_str(), (planted + "regsvr32.exe").c_str(), FALSE);
    return Start({{"MOKURENA_ARCHIVER_RECORD", record_}}, planted);
  }

  std::vector<testsupport::ArchiverRecord> Records() {
    try {
      return testsupport::ReadArchiverRecords(record_);
    } catch (const std::exception&) {
      return {};  // a record still being written
    }
  }

  std::string record_;
  ScopedUserValue native_{"Software\\Wine\\DllOverrides", "regsvr32.exe", "native"};
};

TEST_F(ZipFolderTest, OnXPOrLaterTheButtonsRunRegsvr32) {
  Process program = StartWithStandIn();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  const struct {
    const char* button;
    std::vector<std::string> arguments;
  } presses[] = {
      {"btnZipFolderRelease", {"/u", "zipfldr"}},
      {"btnZipFolderAttach", {"zipfldr"}},
  };
  std::size_t count = 0;
  for (const auto& press : presses) {
    SCOPED_TRACE(press.button);
    Click(Find(form, press.button));
    ++count;
    ASSERT_TRUE(WaitUntil([&] { return Records().size() == count; }, 20000))
        << "regsvr32 did not run: \"" << ReadFile(record_) << "\"";
    const testsupport::ArchiverRecord record = Records().back();
    EXPECT_EQ(record.arguments, press.arguments);
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(_stricmp(record.programPath.c_str(), (std::string(system) + "\\regsvr32.exe").c_str()), 0)
        << record.programPath;
    Settle(form);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(program.WaitForMessageBox(0), nullptr);
  }
  // The switch changes no control and no file.
  EXPECT_THAT(Items(form), ElementsAre("bat", "exe", "pif", "scr"));
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_THAT(FolderContents(), ElementsAre("mokurena.exe", "planted"));
}

TEST_F(ZipFolderTest, OnWindows2000TheButtonsOnlySaySo) {
  ScopedUserValue win2k("Software\\Wine", "Version", "win2k");
  Process program = StartWithStandIn();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  for (const char* button : {"btnZipFolderRelease", "btnZipFolderAttach"}) {
    SCOPED_TRACE(button);
    Click(Find(form, button));
    HWND box = program.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    if (button == std::string("btnZipFolderRelease")) {
      EXPECT_FALSE(Screenshot(box, "config-needs-xp").empty());
    }
    const MessageBoxInfo info = ReadMessageBox(box);
    EXPECT_EQ(info.caption, "Mokurena");
    EXPECT_EQ(info.text, kNeedsXP);
    EXPECT_EQ(info.icon, e2e::MessageIcon::Information);
    EXPECT_EQ(info.buttons.size(), 1u);
    EXPECT_EQ(info.owner, form);
    AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  }
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_TRUE(program.WaitForItsProgramsToEnd());
  EXPECT_TRUE(Records().empty()) << "nothing is started";
}

// ---------------------------------------------------------------- failures

// A file held open without delete sharing cannot be replaced; reading it
// still works.
class ScopedLock {
 public:
  ScopedLock(const std::string& path, DWORD share)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ScopedLock() { Release(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (Held()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

TEST_F(ConfigDialogTest, AnApplyThatCannotWriteKeepsTheDialogAndItsEdits) {
  platform::WriteWholeFile(watch_, "zip\r\n");
  ScopedLock lock(watch_, FILE_SHARE_READ);
  ASSERT_TRUE(lock.Held());
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  EXPECT_THAT(Items(form), ElementsAre("zip"));

  Click(Find(form, "btnChkExtinit"));
  ShowAssociationsPage(form);
  SetText(Find(form, "EditZippath"), "C:\\typed\\zip.exe");
  Click(Find(form, "cblzh"));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(Find(form, "cblzh")); }, 5000));
  Click(Find(form, "Button6"));

  HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(Screenshot(box, "config-apply-error").empty());
  const MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_THAT(info.text, HasSubstr("checklst.ini"));
  EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
  EXPECT_EQ(info.buttons.size(), 1u);
  EXPECT_EQ(info.owner, form);
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  Settle(form);

  // Still open, every edit intact; nothing written, not even the paths or
  // the association, and no temporary file left.
  EXPECT_TRUE(program.Running());
  EXPECT_TRUE(IsVisible(form));
  EXPECT_TRUE(IsWindowEnabled(form));
  EXPECT_THAT(Items(form), ElementsAre("bat", "exe", "pif", "scr"));
  EXPECT_EQ(Text(Find(form, "EditZippath")), "C:\\typed\\zip.exe");
  EXPECT_TRUE(IsChecked(Find(form, "cblzh")));
  EXPECT_EQ(ReadFile(watch_), "zip\r\n");
  EXPECT_THAT(FolderContents(), ElementsAre("checklst.ini", "mokurena.exe"));
  EXPECT_NE(OpenCommandOf("lzh"), "\"" + exe_ + "\" \"%1\"");

  // Once the file is free, Apply goes through.
  lock.Release();
  Click(Find(form, "Button6"));
  EXPECT_EQ(ExitCode(program), 0u);
  EXPECT_EQ(ReadFile(watch_), kDefaultList);
  EXPECT_THAT(ReadFile(ini_), HasSubstr("\r\nzipPath=C:\\typed\\zip.exe\r\n"));
  EXPECT_EQ(OpenCommandOf("lzh"), "\"" + exe_ + "\" \"%1\"");
}

// Makes a folder take no new file while the object lives, as a folder that
// the user may not write does. The tests run as root, for whom permissions
// are no bar, so the Linux immutable flag does it, set by chattr, which
// Wine starts as a Unix program. Files in the folder stay writable.
class ScopedFolderTakingNoNewFile {
 public:
  explicit ScopedFolderTakingNoNewFile(const std::string& folder) : folder_(folder), unix_(UnixPath(folder)) {
    if (unix_.empty()) return;
    Chattr(L"+i");
    active_ = WaitUntil([&] { return !TakesNewFile(); }, 10000);
  }
  ~ScopedFolderTakingNoNewFile() {
    if (unix_.empty()) return;
    Chattr(L"-i");
    WaitUntil([&] { return TakesNewFile(); }, 10000);
  }
  ScopedFolderTakingNoNewFile(const ScopedFolderTakingNoNewFile&) = delete;
  ScopedFolderTakingNoNewFile& operator=(const ScopedFolderTakingNoNewFile&) = delete;
  bool Active() const { return active_; }

 private:
  static std::wstring Wide(const std::string& text, UINT codePage) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return wide;
  }
  static std::wstring UnixPath(const std::string& path) {
    using UnixFileNameFn = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName) return std::wstring();
    char* unixPath = unixFileName(Wide(path, CP_ACP).c_str());
    if (!unixPath) return std::wstring();
    const std::wstring result = Wide(unixPath, CP_UTF8);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
  }
  void Chattr(const wchar_t* flag) {
    std::wstring commandLine = L"chattr " + std::wstring(flag) + L" \"" + unix_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(L"Z:\\usr\\bin\\chattr", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
      WaitForSingleObject(process.hProcess, 10000);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  bool TakesNewFile() const {
    HANDLE probe = CreateFileA((folder_ + "probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
    return true;
  }

  std::string folder_;
  std::wstring unix_;
  bool active_ = false;
};

// Apply keeps what the user set on the two files: hidden ones stay hidden,
// a read-only watch list is refused (as a plain write refuses it) and stays
// as it was. In a folder that takes no new file, where no temporary file
// can be made, the files are written in place. No temporary file is left.
TEST_F(ConfigDialogTest, ApplyKeepsTheFilesAttributesAndWritesWhereNoNewFileCanBeMade) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;
  const struct {
    const char* what;
    DWORD watchAttributes;
    DWORD iniAttributes;
    bool folderTakesNoNewFile;
    bool written;
  } cases[] = {
      {"hidden files stay hidden", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN, false, true},
      {"a read-only watch list is refused", FILE_ATTRIBUTE_READONLY, 0, false, false},
      {"a folder that takes no new file", 0, 0, true, true},
      {"hidden files in a folder that takes no new file", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN, true, true},
  };
  const std::string ini = "[Other]\r\nk=v\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::WriteWholeFile(watch_, "zip\r\n");
    platform::WriteWholeFile(ini_, ini);
    SetFileAttributesA(watch_.c_str(), c.watchAttributes ? c.watchAttributes : FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(ini_.c_str(), c.iniAttributes ? c.iniAttributes : FILE_ATTRIBUTE_NORMAL);
    std::unique_ptr<ScopedFolderTakingNoNewFile> frozen;
    if (c.folderTakesNoNewFile) {
      frozen = std::make_unique<ScopedFolderTakingNoNewFile>(folder_);
      ASSERT_TRUE(frozen->Active()) << "the folder still takes new files";
    }
    Process program = Start();
    HWND form = Dialog(program);
    ASSERT_NE(form, nullptr);
    Click(Find(form, "btnChkExtinit"));
    Settle(form);
    Click(Find(form, "Button6"));
    if (c.written) {
      EXPECT_EQ(ExitCode(program), 0u);
      EXPECT_EQ(ReadFile(watch_), kDefaultList);
      EXPECT_THAT(ReadFile(ini_), ::testing::StartsWith(ini + "\r\n[Software]\r\nArchiverPath=\r\n"));
    } else {
      HWND box = program.WaitForMessageBox();
      ASSERT_NE(box, nullptr);
      const MessageBoxInfo info = ReadMessageBox(box);
      EXPECT_THAT(info.text, HasSubstr("checklst.ini"));
      EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
      AnswerMessageBox(box, IDOK);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
      Click(Find(form, "Button5"));
      EXPECT_EQ(ExitCode(program), 0u);
      EXPECT_EQ(ReadFile(watch_), "zip\r\n");
      EXPECT_EQ(ReadFile(ini_), ini);
    }
    EXPECT_EQ(GetFileAttributesA(watch_.c_str()) & kKept, c.watchAttributes);
    EXPECT_EQ(GetFileAttributesA(ini_.c_str()) & kKept, c.iniAttributes);
    frozen.reset();
    EXPECT_THAT(FolderContents(), ElementsAre("checklst.ini", "mokurena.exe", "mokurena.ini"))
        << "no temporary file is left behind";
    SetFileAttributesA(watch_.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(ConfigDialogTest, AnIniFileThatCannotBeReplacedFailsAfterTheWatchList) {
  // A folder where the INI file would be: it cannot be replaced by a file.
  ASSERT_TRUE(CreateDirectoryA(ini_.c_str(), nullptr));
  platform::WriteWholeFile(watch_, "zip\r\n");
  Process program = Start();
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  Click(Find(form, "btnChkExtinit"));
  ShowAssociationsPage(form);
  Click(Find(form, "cbgca"));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(Find(form, "cbgca")); }, 5000));
  Click(Find(form, "Button6"));
  HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_THAT(info.text, HasSubstr("mokurena.ini"));
  EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  Settle(form);
  EXPECT_TRUE(program.Running());
  EXPECT_TRUE(IsChecked(Find(form, "cbgca")));
  EXPECT_EQ(ReadFile(watch_), kDefaultList) << "the watch list was written first";
  EXPECT_NE(OpenCommandOf("gca"), "\"" + exe_ + "\" \"%1\"") << "the associations come after the files";
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(program), 0u);
}

TEST_F(ConfigDialogTest, AWatchListThatCannotBeReadIsReportedAndTheDialogStillOpens) {
  platform::WriteWholeFile(watch_, "zip\r\n");
  SetClassesDefault(".cab", "E2eUnreadable");
  SetClassesDefault("E2eUnreadable\\shell\\open\\command", "\"" + exe_ + "\" \"%1\"");
  ScopedLock lock(watch_, 0);
  ASSERT_TRUE(lock.Held());
  Process program = Start();
  HWND box = program.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_THAT(info.text, HasSubstr("checklst.ini"));
  EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
  AnswerMessageBox(box, IDOK);
  HWND form = Dialog(program);
  ASSERT_NE(form, nullptr);
  // Nothing was filled in before the error, so the association test did
  // not run either.
  EXPECT_TRUE(Items(form).empty());
  EXPECT_FALSE(IsChecked(Find(form, "cbcab")));
  Click(Find(form, "Button5"));
  EXPECT_EQ(ExitCode(program), 0u);
  lock.Release();
  EXPECT_EQ(ReadFile(watch_), "zip\r\n");
}

}  // namespace
