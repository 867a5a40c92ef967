// A small program on the GUI runtime, driven by the end-to-end tests. The
// first argument picks what it shows:
//   settings (or none)  a form with every control kind, the input prompt,
//                       message boxes, a modal sub-dialog and the file-open
//                       dialog; the exit code is the form's modal result
//   report              a dialog laid out like the program's report dialog
//                       (default button, memo, label); exit code = result
//   main                a tool window with a panel that ends the program
//   prompt <default>    the input prompt alone
//   error               a run that fails with an exception (exit code 100)
// Results that the tests check are appended to the file named by
// MOKURENA_DEMO_OUT as "key=value" lines; MOKURENA_DEMO_ITEMS (comma-separated)
// replaces the list that the settings form starts with.
#include "runtime/Application.h"
#include "runtime/Control.h"
#include "runtime/Dialogs.h"
#include "runtime/Form.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

using namespace runtime;

namespace {

void Record(const std::string& key, const std::string& value) {
  const char* path = std::getenv("MOKURENA_DEMO_OUT");
  if (!path || !*path) return;
  if (FILE* file = std::fopen(path, "ab")) {
    std::fprintf(file, "%s=%s\n", key.c_str(), value.c_str());
    std::fclose(file);
  }
}

const FontSpec kGothic{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET};
const FontSpec kUiGothic{"MS UI Gothic", 12, SHIFTJIS_CHARSET};

// Laid out like the report dialog: default button with tab order 0, a memo
// that Tab skips, a label that sizes itself.
int ShowReport(HWND owner, const std::vector<std::string>& lines, const std::string& message) {
  Form form(owner, "frmReport", FormSpec{"報告デモ - Mokurena", 472, 406, BorderStyle::Dialog, kGothic});
  Memo& memo = form.Add<Memo>("MemoCheckedFiles", Bounds{16, 16, 441, 217});
  Button& cont = form.Add<Button>("btnContinue", Bounds{376, 352, 81, 33}, "続行(&C)");
  Button& stop = form.Add<Button>("btnStop", Bounds{256, 352, 81, 33}, "中断(&S)");
  Label& label = form.Add<Label>("lblMessage", Bounds{16, 256, 0, 0}, "*****");
  stop.SetTabOrder(0);
  cont.SetTabOrder(1);
  memo.SetTabOrder(2);
  memo.SetTabStop(false);
  stop.SetDefault(true);
  cont.OnClick = [&form] { form.SetModalResult(mrOk); };
  stop.OnClick = [&form] { form.SetModalResult(mrCancel); };
  memo.SetLines(lines);
  label.SetText(message);
  return form.ShowModal();
}

std::string NormaliseExtension(std::string text) {
  std::string result;
  for (char c : text) {
    if (c == '.') continue;
    result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const auto first = result.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = result.find_last_not_of(" \t\r\n");
  return result.substr(first, last - first + 1);
}

// A comma-separated list from the environment, else the fallback.
std::vector<std::string> ItemsFromEnvironment(const char* name, const std::vector<std::string>& fallback) {
  const char* value = std::getenv(name);
  if (!value) return fallback;
  std::vector<std::string> items;
  std::string current;
  for (const char* p = value;; ++p) {
    if (*p == ',' || *p == '\0') {
      if (!current.empty()) items.push_back(current);
      current.clear();
      if (*p == '\0') break;
    } else {
      current += *p;
    }
  }
  return items;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int ShowSettings() {
  Form form(nullptr, "frmDemo", FormSpec{"ランタイムデモ - Mokurena", 472, 393, BorderStyle::Dialog, kUiGothic});
  TabControl& pages = form.Add<TabControl>("PageControl1", Bounds{0, 0, 472, 345});
  Button& apply = form.Add<Button>("Button6", Bounds{296, 360, 75, 25}, "適用(&A)");
  Button& close = form.Add<Button>("Button5", Bounds{384, 360, 75, 25}, "閉じる(&C)");
  close.SetTabOrder(1);
  apply.SetModalResult(mrOk);
  close.SetModalResult(mrCancel);

  // First page: the watch list and the buttons that open other windows.
  TabPage& general = pages.AddPage("TabSheet1", "全般");
  GroupBox& group = general.Add<GroupBox>("GroupBox1", Bounds{8, 8, 225, 297}, "監視する拡張子");
  ListBox& list = group.Add<ListBox>("lbChkExt", Bounds{16, 24, 89, 257}, 12);
  Button& add = group.Add<Button>("btnChkExtAdd", Bounds{120, 24, 89, 25}, "追加");
  Button& remove = group.Add<Button>("btnChkExtDelete", Bounds{120, 56, 89, 25}, "削除");
  Button& reset = group.Add<Button>("btnChkExtinit", Bounds{120, 88, 89, 25}, "初期化");
  Button& report = general.Add<Button>("btnReport", Bounds{248, 16, 137, 25}, "報告(&R)");
  Button& question = general.Add<Button>("btnQuestion", Bounds{248, 48, 137, 25}, "質問(&Q)");
  Button& failing = general.Add<Button>("btnError", Bounds{248, 80, 137, 25}, "エラー(&E)");
  Panel& panel = general.Add<Panel>("pnlColor", Bounds{248, 120, 137, 57}, "パネル", RGB(0xFF, 0xFB, 0xF0));
  Label& result = general.Add<Label>("lblResult", Bounds{248, 192, 0, 0}, "結果: -");

  const std::vector<std::string> defaults{"bat", "exe", "pif", "scr"};
  list.SetItems(ItemsFromEnvironment("MOKURENA_DEMO_ITEMS", defaults));
  add.OnClick = [&] {
    const std::string answer =
        InputBox("", "追加する拡張子を入力してください（.は要りません。例\"exe\"）", "", form.Handle());
    const std::string extension = NormaliseExtension(answer);
    if (!extension.empty()) list.AddItem(extension);
    list.SortItems();
  };
  remove.OnClick = [&] {
    if (list.ItemIndex() < 0) {
      ShowMessageBox("選択されていません", MessageIcon::Information, MessageButtons::Ok, 1, form.Handle());
      return;
    }
    list.DeleteItem(list.ItemIndex());
  };
  reset.OnClick = [&] { list.SetItems(defaults); };
  report.OnClick = [&] {
    const int modal = ShowReport(form.Handle(), {"a.exe", "b.scr"}, "demo.lzh\r\nC:\\temp\r\n中断しますか？");
    result.SetText("結果: report " + std::to_string(modal));
  };
  question.OnClick = [&] {
    const int answer = ShowMessageBox("続けますか？", MessageIcon::Question, MessageButtons::YesNo, 2, form.Handle());
    result.SetText(answer == IDYES ? "結果: はい" : "結果: いいえ");
  };
  failing.OnClick = [] { throw std::runtime_error("テストのエラーです"); };
  panel.OnClick = [&] { result.SetText("結果: パネル"); };

  // Second page: an edit field with a browse button and check box rows.
  TabPage& second = pages.AddPage("TabSheet2", "関連付け");
  GroupBox& general2 = second.Add<GroupBox>("GroupBox2", Bounds{8, 8, 449, 57}, "解凍ソフト（一般）");
  Edit& path = general2.Add<Edit>("EditArchiverpath", Bounds{16, 24, 369, 20});
  Button& browse = general2.Add<Button>("btnArchiverpath", Bounds{384, 24, 49, 20}, "...");
  GroupBox& rows = second.Add<GroupBox>("GroupBox3", Bounds{8, 72, 449, 233}, "関連付け＆固有ソフトの指定");
  CheckBox& lzh = rows.Add<CheckBox>("cblzh", Bounds{16, 24, 49, 17}, ".lzh");
  rows.Add<Edit>("EditLzhpath", Bounds{72, 24, 337, 20});
  rows.Add<Button>("btnlzhpath", Bounds{408, 24, 25, 20}, "...");
  rows.Add<CheckBox>("cbzip", Bounds{16, 48, 49, 17}, ".zip");
  rows.Add<Edit>("EditZippath", Bounds{72, 48, 337, 20});
  rows.Add<Button>("btnzippath", Bounds{408, 48, 25, 20}, "...");
  browse.OnClick = [&] {
    const std::string current = path.Text();
    const DWORD attributes = GetFileAttributesA(current.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    std::string chosen = exists ? current : std::string();
    if (auto picked = OpenFileDialog("*.exe|*.exe", exists ? FolderOf(current) : std::string(), form.Handle())) {
      chosen = *picked;
    }
    path.SetText(chosen);
  };
  lzh.SetChecked(true);

  const int modal = form.ShowModal();
  std::string items;
  for (const std::string& item : list.Items()) items += (items.empty() ? "" : ",") + item;
  Record("items", items);
  Record("path", path.Text());
  Record("lzh", lzh.Checked() ? "1" : "0");
  return modal;
}

int ShowMain() {
  Form form(nullptr, "frmQorbelMain", FormSpec{"Mokurena", 231, 97, BorderStyle::ToolWindow, kUiGothic});
  Panel& panel = form.Add<Panel>("Panel", Bounds{0, 0, 231, 97}, "終了（´・ω・｀）", RGB(0xFF, 0xFB, 0xF0));
  panel.OnClick = [] { Application::Terminate(); };
  Application::HideWindow();
  Application::SetMainForm(&form);
  form.Show();
  Application::Run();
  Application::SetMainForm(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "settings";
  int exitCode = 0;
  const int status = RunApplication([&] {
    Application::HideWindow();
    if (mode == "settings") {
      exitCode = ShowSettings();
    } else if (mode == "report") {
      std::vector<std::string> lines;
      for (int i = 1; i <= 40; ++i) lines.push_back("フォルダ\\ファイル" + std::to_string(i) + ".exe");
      exitCode =
          ShowReport(nullptr, lines,
                     "「とても長い名前のアーカイブ.lzh」に実行ファイルが含まれています。\r\n"
                     "C:\\Documents and Settings\\user\\デスクトップ\\とても長いフォルダの名前\\もっと長い名前\r\n"
                     "中断しますか？");
    } else if (mode == "main") {
      exitCode = ShowMain();
    } else if (mode == "prompt") {
      const std::string answer = InputBox("入力デモ", "値を入力してください", argc > 2 ? argv[2] : "");
      Record("answer", answer);
    } else if (mode == "error") {
      throw std::runtime_error("実行時のエラーです");
    } else {
      throw std::runtime_error("unknown mode: " + mode);
    }
  });
  return status != 0 ? 100 : exitCode;  // 100: an error was reported
}
