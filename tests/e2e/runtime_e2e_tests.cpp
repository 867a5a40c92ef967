// The runtime and the driver proven together: runtime_demo.exe is started
// under Wine and worked through its windows as a user would.
#include "tests/e2e/Driver.h"
#include "tests/e2e/WindowExpectations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <functional>
#include <map>

using namespace e2e;
using ::testing::ElementsAre;

namespace {

const std::string kReportCaption = "報告デモ - Mokurena";
const std::string kSettingsCaption = "ランタイムデモ - Mokurena";
const std::string kGothicFont = "ＭＳ Ｐゴシック,12,128";
const std::string kUiGothicFont = "MS UI Gothic,12,128";
constexpr DWORD mrOkCode = 1;  // the demo exits with the modal result
constexpr DWORD mrCancelCode = 2;

std::string DemoPath() { return ProgramFolder() + "runtime_demo.exe"; }

class DemoTest : public ::testing::Test {
 protected:
  DemoTest() {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    static int counter = 0;
    out_ = std::string(folder) + "runtime-demo-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + ".txt";
    DeleteFileA(out_.c_str());
  }
  ~DemoTest() override { DeleteFileA(out_.c_str()); }

  Process Start(const std::string& arguments, std::vector<std::pair<std::string, std::string>> environment = {}) {
    environment.emplace_back("MOKURENA_DEMO_OUT", out_);
    return Process::Start({DemoPath(), "runtime_demo.exe " + arguments, environment, ""});
  }

  // What the demo recorded ("key=value" lines).
  std::map<std::string, std::string> Results() const {
    std::map<std::string, std::string> results;
    std::ifstream in(out_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      const auto equals = line.find('=');
      if (equals != std::string::npos) results[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return results;
  }

  std::string out_;
};

std::string FocusName(HWND window) { return NameOf(FocusedControl(window)); }
std::string DefaultName(HWND window) { return NameOf(DefaultButton(window)); }

DWORD ExitCode(Process& process) {
  const auto code = process.WaitForExit(10000);
  EXPECT_TRUE(code.has_value()) << "the program did not end";
  return code.value_or(0xFFFFFFFF);
}

// The size a label needs for text in this font, measured here with the
// system's own text layout.
SIZE TextExtent(const std::string& text, const char* face, int height) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT rect{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, previous);
  DeleteObject(font);
  DeleteDC(dc);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

// ---------------------------------------------------------------- a dialog like the report dialog

TEST_F(DemoTest, ReportDialogHasExactLayoutFontAndFocus) {
  Process demo = Start("report");
  HWND form = demo.WaitForWindow(kReportCaption);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(Screenshot(form, "runtime-report").empty());

  const Rect client = ClientOnScreen(form);
  EXPECT_EQ(client.width, 472);
  EXPECT_EQ(client.height, 406);
  EXPECT_TRUE(IsFormCentred(form));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(form, GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  ExpectLayout(form,
               {{"btnStop", "Button", nullptr, {256, 352, 81, 33}, 0},
                {"btnContinue", "Button", nullptr, {376, 352, 81, 33}, 1},
                {"MemoCheckedFiles", "Edit", nullptr, {16, 16, 441, 217}, 2}},
               kGothicFont);
  EXPECT_EQ(Text(Find(form, "btnStop")), "中断(&S)");
  EXPECT_EQ(Text(Find(form, "btnContinue")), "続行(&C)");

  const ControlInfo memo = Describe(Find(form, "MemoCheckedFiles"));
  EXPECT_TRUE(memo.style & ES_MULTILINE);
  EXPECT_TRUE(memo.style & WS_VSCROLL);
  EXPECT_FALSE(memo.style & (WS_HSCROLL | ES_AUTOHSCROLL | ES_READONLY));
  EXPECT_FALSE(memo.style & WS_TABSTOP);
  const std::vector<std::string> lines = MemoLines(memo.hwnd);
  ASSERT_EQ(lines.size(), 40u);
  EXPECT_EQ(lines.front(), "フォルダ\\ファイル1.exe");
  EXPECT_EQ(lines.back(), "フォルダ\\ファイル40.exe");

  // The label keeps its place, sizes itself to its three lines in the
  // form's font and runs past the form, which keeps its size.
  const ControlInfo label = Describe(Find(form, "lblMessage"));
  EXPECT_EQ(label.bounds.left, 16);
  EXPECT_EQ(label.bounds.top, 256);
  EXPECT_EQ(label.font, kGothicFont);
  const SIZE extent = TextExtent(label.text, "ＭＳ Ｐゴシック", 12);
  EXPECT_EQ(label.bounds.width, extent.cx);
  EXPECT_EQ(label.bounds.height, extent.cy);
  EXPECT_GT(label.bounds.left + label.bounds.width, 472);
  EXPECT_EQ(label.bounds.height, 3 * TextExtent("X", "ＭＳ Ｐゴシック", 12).cy);
  EXPECT_EQ(ClientOnScreen(form).width, 472);

  EXPECT_EQ(FocusName(form), "btnStop");
  EXPECT_EQ(DefaultName(form), "btnStop");
}

struct KeyScenario {
  const char* what;
  std::function<void(HWND form, Process& demo)> act;
  DWORD exitCode;
};

TEST_F(DemoTest, ReportDialogKeyboardAndCloseGiveTheirResults) {
  const KeyScenario scenarios[] = {
      {"Enter right after opening chooses the default button", [](HWND form, Process&) { PressKey(form, VK_RETURN); },
       mrCancelCode},
      {"Tab moves to continue, which then takes Enter",
       [](HWND form, Process&) {
         PressKey(form, VK_TAB);
         EXPECT_EQ(FocusName(form), "btnContinue");
         EXPECT_EQ(DefaultName(form), "btnContinue");
         PressKey(form, VK_RETURN);
       },
       mrOkCode},
      {"Tab skips the memo and comes back to stop",
       [](HWND form, Process&) {
         PressKey(form, VK_TAB);
         PressKey(form, VK_TAB);
         EXPECT_EQ(FocusName(form), "btnStop");
         PressKey(form, VK_RETURN);
       },
       mrCancelCode},
      {"Shift+Tab goes backwards",
       [](HWND form, Process&) {
         PressKey(form, VK_TAB, Modifiers{false, true, false});
         EXPECT_EQ(FocusName(form), "btnContinue");
         PressKey(form, VK_SPACE);
       },
       mrOkCode},
      {"Escape does nothing",
       [](HWND form, Process& demo) {
         PressKey(form, VK_ESCAPE);
         EXPECT_TRUE(demo.Running());
         EXPECT_EQ(FocusName(form), "btnStop");
         PressAccessKey(form, 'c');
       },
       mrOkCode},
      {"Alt+C continues", [](HWND form, Process&) { PressAccessKey(form, 'c'); }, mrOkCode},
      {"Alt+S stops", [](HWND form, Process&) { PressAccessKey(form, 's'); }, mrCancelCode},
      {"a plain C on a focused button is its access key too", [](HWND form, Process&) { PressKey(form, 'C'); },
       mrOkCode},
      {"the close box cancels", [](HWND form, Process&) { PressCloseBox(form); }, mrCancelCode},
      {"Alt+F4 cancels",
       [](HWND form, Process&) {
         PressKey(form, VK_F4, Modifiers{true, false, false});
       },
       mrCancelCode},
      {"Enter in the memo starts a new line instead of choosing a button",
       [](HWND form, Process& demo) {
         HWND memo = Find(form, "MemoCheckedFiles");
         Click(memo);
         ASSERT_TRUE(WaitUntil([&] { return FocusedControl(form) == memo; }, 5000));
         Settle(form);
         EXPECT_EQ(DefaultName(form), "btnStop");
         const std::size_t before = Text(memo).size();
         PressKey(form, VK_RETURN);
         EXPECT_TRUE(demo.Running());
         EXPECT_EQ(Text(memo).size(), before + 2);
         PressAccessKey(form, 'c');
       },
       mrOkCode},
  };
  for (const KeyScenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.what);
    Process demo = Start("report");
    HWND form = demo.WaitForWindow(kReportCaption);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return FocusName(form) == "btnStop"; }, 5000));
    scenario.act(form, demo);
    EXPECT_EQ(ExitCode(demo), scenario.exitCode);
  }
}

// ---------------------------------------------------------------- a form with every control kind

TEST_F(DemoTest, SettingsFormLayoutAndPages) {
  Process demo = Start("settings");
  HWND form = demo.WaitForWindow(kSettingsCaption);
  ASSERT_NE(form, nullptr);
  const Rect client = ClientOnScreen(form);
  EXPECT_EQ(client.width, 472);
  EXPECT_EQ(client.height, 393);
  EXPECT_TRUE(IsFormCentred(form));

  ExpectLayout(form,
               {{"PageControl1", "SysTabControl32", nullptr, {0, 0, 472, 345}, 0},
                {"Button5", "Button", nullptr, {384, 360, 75, 25}, 1},
                {"Button6", "Button", nullptr, {296, 360, 75, 25}, 2},
                {"GroupBox1", "Button", "TabSheet1", {8, 8, 225, 297}, 0},
                {"lbChkExt", "ListBox", "GroupBox1", {16, 24, 89, 257}, 0},
                {"btnChkExtAdd", "Button", "GroupBox1", {120, 24, 89, 25}, 1},
                {"btnChkExtDelete", "Button", "GroupBox1", {120, 56, 89, 25}, 2},
                {"btnChkExtinit", "Button", "GroupBox1", {120, 88, 89, 25}, 3},
                {"GroupBox2", "Button", "TabSheet2", {8, 8, 449, 57}, 0},
                {"EditArchiverpath", "Edit", "GroupBox2", {16, 24, 369, 20}, 0},
                {"btnArchiverpath", "Button", "GroupBox2", {384, 24, 49, 20}, 1},
                {"cblzh", "Button", "GroupBox3", {16, 24, 49, 17}, 0},
                {"EditLzhpath", "Edit", "GroupBox3", {72, 24, 337, 20}, 1},
                {"btnlzhpath", "Button", "GroupBox3", {408, 24, 25, 20}, 2}},
               kUiGothicFont);
  EXPECT_EQ(Text(Find(form, "Button6")), "適用(&A)");
  EXPECT_EQ(Text(Find(form, "GroupBox1")), "監視する拡張子");
  EXPECT_EQ(Describe(Find(form, "GroupBox1")).style & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
  EXPECT_EQ(Describe(Find(form, "cblzh")).style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_TRUE(IsChecked(Find(form, "cblzh")));
  EXPECT_FALSE(IsChecked(Find(form, "cbzip")));

  HWND list = Find(form, "lbChkExt");
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 12);
  const DWORD listStyle = Describe(list).style;
  EXPECT_FALSE(listStyle & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  EXPECT_THAT(ListItems(list), ElementsAre("bat", "exe", "pif", "scr"));
  EXPECT_EQ(ListSelection(list), -1);

  // Pages fill the tab control's display area; the first one is shown.
  HWND tabs = Find(form, "PageControl1");
  HWND page1 = Find(form, "TabSheet1");
  HWND page2 = Find(form, "TabSheet2");
  EXPECT_EQ(GetParent(page1), tabs);
  EXPECT_EQ(Describe(page1).bounds.width, Describe(page2).bounds.width);
  EXPECT_EQ(Describe(page1).bounds.top, Describe(page2).bounds.top);
  EXPECT_EQ(ActiveTab(tabs), 0);
  EXPECT_TRUE(IsVisible(page1));
  EXPECT_FALSE(IsVisible(page2));

  // No default button: nothing looks like one while the tab control has
  // the focus, and Enter does nothing.
  EXPECT_EQ(FocusName(form), "PageControl1");
  EXPECT_EQ(DefaultButton(form), nullptr);
  EXPECT_FALSE(Screenshot(form, "runtime-settings-page1").empty());
  PressKey(form, VK_RETURN);
  EXPECT_TRUE(demo.Running());

  // The tab control takes the arrow keys: the second page comes up.
  PressKey(form, VK_RIGHT);
  EXPECT_EQ(ActiveTab(tabs), 1);
  EXPECT_FALSE(IsVisible(page1));
  EXPECT_TRUE(IsVisible(page2));
  EXPECT_EQ(FocusName(form), "PageControl1");
  EXPECT_FALSE(Screenshot(form, "runtime-settings-page2").empty());
  PressAccessKey(form, 'c');
  EXPECT_EQ(ExitCode(demo), mrCancelCode);
}

TEST_F(DemoTest, TabOrderRunsThroughContainersAndEnterChoosesTheFocusedButton) {
  Process demo = Start("settings");
  HWND form = demo.WaitForWindow(kSettingsCaption);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return FocusName(form) == "PageControl1"; }, 5000));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"lbChkExt", "(none)"},
      {"btnChkExtAdd", "btnChkExtAdd"},
      {"btnChkExtDelete", "btnChkExtDelete"},
      {"btnChkExtinit", "btnChkExtinit"},
      {"btnReport", "btnReport"},
      {"btnQuestion", "btnQuestion"},
      {"btnError", "btnError"},
      {"Button5", "Button5"},
      {"Button6", "Button6"},
      {"PageControl1", "(none)"},
  };
  for (const auto& [focus, shownAsDefault] : expected) {
    PressKey(form, VK_TAB);
    EXPECT_EQ(FocusName(form), focus);
    EXPECT_EQ(DefaultName(form), shownAsDefault) << "with the focus on " << focus;
  }
  // Back to the delete button; Enter presses it, and with nothing selected
  // it says so.
  for (int i = 0; i < 3; ++i) PressKey(form, VK_TAB);
  ASSERT_EQ(FocusName(form), "btnChkExtDelete");
  PressKey(form, VK_RETURN);
  HWND box = demo.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_EQ(info.text, "選択されていません");
  EXPECT_EQ(info.icon, e2e::MessageIcon::Information);
  EXPECT_EQ(info.buttons.size(), 1u);
  EXPECT_EQ(info.owner, form);
  AnswerMessageBox(box, IDOK);
  // The focus comes back to where it was.
  EXPECT_TRUE(WaitUntil([&] { return FocusName(form) == "btnChkExtDelete"; }, 5000));
  EXPECT_THAT(ListItems(Find(form, "lbChkExt")), ElementsAre("bat", "exe", "pif", "scr"));
  PressAccessKey(form, 'a');
  EXPECT_EQ(ExitCode(demo), mrOkCode);
}

TEST_F(DemoTest, MessageBoxesShowTitleIconButtonsAndDefault) {
  Process demo = Start("settings");
  HWND form = demo.WaitForWindow(kSettingsCaption);
  ASSERT_NE(form, nullptr);
  HWND result = Find(form, "lblResult");

  PressAccessKey(form, 'q');
  HWND box = demo.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(Screenshot(box, "runtime-question").empty());
  MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_EQ(info.text, "続けますか？");
  EXPECT_EQ(info.icon, e2e::MessageIcon::Question);
  EXPECT_EQ(info.buttons.size(), 2u);
  EXPECT_EQ(info.defaultButtonId, IDNO);
  EXPECT_EQ(info.owner, form);
  AnswerMessageBox(box, IDYES);
  EXPECT_TRUE(WaitUntil([&] { return Text(result) == "結果: はい"; }, 5000)) << Text(result);

  // Enter in the box takes its default button, No.
  PressAccessKey(form, 'q');
  box = demo.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  PressKey(box, VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return Text(result) == "結果: いいえ"; }, 5000)) << Text(result);

  // An exception in a handler is reported in the error box; the form stays.
  PressAccessKey(form, 'e');
  box = demo.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(Screenshot(box, "runtime-error-in-handler").empty());
  info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_EQ(info.text, "テストのエラーです");
  EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
  EXPECT_EQ(info.buttons.size(), 1u);
  AnswerMessageBox(box, IDOK);
  Settle(form);
  EXPECT_TRUE(demo.Running());
  EXPECT_TRUE(IsWindowEnabled(form));

  Click(Find(form, "pnlColor"));
  EXPECT_TRUE(WaitUntil([&] { return Text(result) == "結果: パネル"; }, 5000)) << Text(result);
  PressAccessKey(form, 'a');
  EXPECT_EQ(ExitCode(demo), mrOkCode);
}

TEST_F(DemoTest, InputPromptAddsSortsAndCancels) {
  Process demo = Start("settings", {{"MOKURENA_DEMO_ITEMS", "scr,Zip,bat,EXE,pif"}});
  HWND form = demo.WaitForWindow(kSettingsCaption);
  ASSERT_NE(form, nullptr);
  HWND list = Find(form, "lbChkExt");
  EXPECT_THAT(ListItems(list), ElementsAre("scr", "Zip", "bat", "EXE", "pif"));

  auto openPrompt = [&] {
    Click(Find(form, "btnChkExtAdd"));
    return demo.WaitForWindowWhere([](HWND hwnd) { return FindControl(hwnd, "edtValue") != nullptr; });
  };
  HWND prompt = openPrompt();
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(Text(prompt), "");
  EXPECT_EQ(GetWindow(prompt, GW_OWNER), form);
  EXPECT_FALSE(IsWindowEnabled(form));
  EXPECT_EQ(Text(Find(prompt, "lblPrompt")), "追加する拡張子を入力してください（.は要りません。例\"exe\"）");
  EXPECT_TRUE(WaitUntil([&] { return FocusName(prompt) == "edtValue"; }, 5000));
  EXPECT_EQ(DefaultName(prompt), "btnOk");
  TypeText(prompt, " .CAB ");
  EXPECT_FALSE(Screenshot(prompt, "runtime-input-prompt").empty());
  PressKey(prompt, VK_RETURN);
  // Added, then the whole list in the list control's case-blind order.
  EXPECT_TRUE(WaitUntil([&] { return ListItems(list).size() == 6; }, 5000));
  EXPECT_THAT(ListItems(list), ElementsAre("bat", "cab", "EXE", "pif", "scr", "Zip"));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(form) != FALSE; }, 5000));

  // Escape is the prompt's cancel: nothing is added.
  prompt = openPrompt();
  ASSERT_NE(prompt, nullptr);
  TypeText(prompt, "zzz");
  PressKey(prompt, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(prompt) || !IsVisible(prompt); }, 5000));
  Settle(form);
  EXPECT_THAT(ListItems(list), ElementsAre("bat", "cab", "EXE", "pif", "scr", "Zip"));

  SelectListItem(list, 2);
  Click(Find(form, "btnChkExtDelete"));
  EXPECT_TRUE(WaitUntil([&] { return ListItems(list).size() == 5; }, 5000));
  PressAccessKey(form, 'a');
  EXPECT_EQ(ExitCode(demo), mrOkCode);
  EXPECT_EQ(Results()["items"], "bat,cab,pif,scr,Zip");
}

TEST_F(DemoTest, ModalSubDialogDisablesItsOwnerAndReturnsItsResult) {
  Process demo = Start("settings");
  HWND form = demo.WaitForWindow(kSettingsCaption);
  ASSERT_NE(form, nullptr);
  HWND result = Find(form, "lblResult");

  const struct {
    const char* what;
    std::function<void(HWND)> close;
    const char* shown;
  } closings[] = {
      {"close box", [](HWND dialog) { PressCloseBox(dialog); }, "結果: report 2"},
      {"continue by its access key", [](HWND dialog) { PressAccessKey(dialog, 'c'); }, "結果: report 1"},
      {"Enter on the default button", [](HWND dialog) { PressKey(dialog, VK_RETURN); }, "結果: report 2"},
  };
  for (const auto& closing : closings) {
    SCOPED_TRACE(closing.what);
    PressAccessKey(form, 'r');
    HWND dialog = demo.WaitForWindow(kReportCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), form);
    EXPECT_FALSE(IsWindowEnabled(form));
    EXPECT_TRUE(WaitUntil([&] { return FocusName(dialog) == "btnStop"; }, 5000));
    EXPECT_THAT(MemoLines(Find(dialog, "MemoCheckedFiles")), ElementsAre("a.exe", "b.scr"));
    closing.close(dialog);
    EXPECT_TRUE(WaitUntil([&] { return Text(result) == closing.shown; }, 5000)) << Text(result);
    EXPECT_TRUE(IsWindowEnabled(form));
    EXPECT_TRUE(WaitUntil([&] { return FocusedControl(form) && IsChild(form, FocusedControl(form)); }, 5000));
  }
  PressAccessKey(form, 'c');
  EXPECT_EQ(ExitCode(demo), mrCancelCode);
}

TEST_F(DemoTest, FileOpenDialogUsesFilterAndFolderAndKeepsOrEmptiesTheField) {
  Process demo = Start("settings");
  HWND form = demo.WaitForWindow(kSettingsCaption);
  ASSERT_NE(form, nullptr);
  PressKey(form, VK_RIGHT);  // the page with the path field
  HWND field = Find(form, "EditArchiverpath");
  auto openDialog = [&] {
    Click(Find(form, "btnArchiverpath"));
    return demo.WaitForWindowWhere(
        [](HWND hwnd) { return ClassName(hwnd) == "#32770" && FindControlByText(hwnd, "ComboBox", "") != nullptr; });
  };
  auto fileNameField = [](HWND dialog) -> HWND {
    for (const ControlInfo& control : ListControls(dialog)) {
      // The file name box: an edit field of its own or inside a combo box.
      if (control.className == "Edit" && IsVisible(control.hwnd)) return control.hwnd;
    }
    return nullptr;
  };

  // From a field that names an existing file: the dialog starts in its
  // folder, offers the one filter, and OK takes the chosen file.
  SetText(field, "C:\\windows\\notepad.exe");
  HWND dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), form);
  EXPECT_FALSE(Screenshot(dialog, "runtime-file-open").empty());
  bool filterShown = false;
  bool folderShown = false;
  for (const ControlInfo& control : ListControls(dialog)) {
    if (control.className != "ComboBox") continue;
    const std::string text = Text(control.hwnd);
    filterShown = filterShown || text == "*.exe";
    folderShown = folderShown || text == "windows";
  }
  EXPECT_TRUE(filterShown);
  EXPECT_TRUE(folderShown);
  HWND name = fileNameField(dialog);
  ASSERT_NE(name, nullptr);
  SetText(name, "C:\\windows\\regedit.exe");
  Click(GetDlgItem(dialog, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return Text(field) == "C:\\windows\\regedit.exe"; }, 5000)) << Text(field);

  // Cancel: a field that names no file is emptied.
  SetText(field, "C:\\nowhere\\missing.exe");
  dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  Click(GetDlgItem(dialog, IDCANCEL));
  EXPECT_TRUE(WaitUntil([&] { return Text(field).empty(); }, 5000)) << Text(field);

  PressAccessKey(form, 'a');
  EXPECT_EQ(ExitCode(demo), mrOkCode);
  EXPECT_EQ(Results()["path"], "");
}

// ---------------------------------------------------------------- application

TEST_F(DemoTest, MainToolWindowHidesTheApplicationWindowAndItsPanelEndsTheProgram) {
  Process demo = Start("main");
  HWND form = demo.WaitForWindow("Mokurena");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(demo.Windows().size(), 1u) << "only the form is visible";
  EXPECT_EQ(ClassName(form), "MokurenaForm");
  EXPECT_TRUE(GetWindowLongPtrA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  const Rect client = ClientOnScreen(form);
  EXPECT_EQ(client.width, 231);
  EXPECT_EQ(client.height, 97);
  EXPECT_TRUE(IsFormCentred(form));
  ExpectLayout(form, {{"Panel", "MokurenaPanel", nullptr, {0, 0, 231, 97}, 0}}, kUiGothicFont);
  EXPECT_EQ(Text(Find(form, "Panel")), "終了（´・ω・｀）");
  EXPECT_FALSE(Screenshot(form, "runtime-main").empty());
  Click(Find(form, "Panel"));
  EXPECT_EQ(ExitCode(demo), 0u);
}

TEST_F(DemoTest, AnErrorLeavingTheRunIsShownAndEndsTheProgram) {
  Process demo = Start("error");
  HWND box = demo.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const MessageBoxInfo info = ReadMessageBox(box);
  EXPECT_EQ(info.caption, "Mokurena");
  EXPECT_EQ(info.text, "実行時のエラーです");
  EXPECT_EQ(info.icon, e2e::MessageIcon::Error);
  EXPECT_EQ(info.buttons.size(), 1u);
  EXPECT_TRUE(demo.Running());
  AnswerMessageBox(box, IDOK);
  EXPECT_EQ(ExitCode(demo), 100u);
}

TEST_F(DemoTest, InputPromptReturnsTheEditOnOkAndTheDefaultOtherwise) {
  const struct {
    const char* what;
    std::function<void(HWND)> act;
    const char* answer;
  } cases[] = {
      {"typing replaces the selected default, Enter is OK",
       [](HWND prompt) {
         TypeText(prompt, "xyz");
         PressKey(prompt, VK_RETURN);
       },
       "xyz"},
      {"OK without an edit", [](HWND prompt) { Click(FindControl(prompt, "btnOk")); }, "既定値"},
      {"Cancel after an edit",
       [](HWND prompt) {
         TypeText(prompt, "xyz");
         Click(FindControl(prompt, "btnCancel"));
       },
       "既定値"},
      {"Escape", [](HWND prompt) { PressKey(prompt, VK_ESCAPE); }, "既定値"},
      {"the close box", [](HWND prompt) { PressCloseBox(prompt); }, "既定値"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA(out_.c_str());
    Process demo = Start("prompt 既定値");
    HWND prompt = demo.WaitForWindow("入力デモ");
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(Text(Find(prompt, "edtValue")), "既定値");
    ASSERT_TRUE(WaitUntil([&] { return FocusName(prompt) == "edtValue"; }, 5000));
    c.act(prompt);
    EXPECT_EQ(ExitCode(demo), 0u);
    EXPECT_EQ(Results()["answer"], c.answer);
  }
}
