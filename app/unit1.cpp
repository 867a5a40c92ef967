#include "app/unit1.h"

#include <windows.h>

#include <cstdint>

#include "app/report.h"
#include "archives/ARCHIVES.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "runtime/Application.h"
#include "runtime/Dialogs.h"
#include "settings/SettingsFiles.h"
#include "settings/config.h"

namespace app {

namespace {

constexpr std::uint32_t kOpenMode = 0x00800000;

const char kArchiveNotOpened[] = "書庫が破損しているか対応していない形式です。";
const char kPassAnyway[] = "そのまま解凍ソフトに渡しますか？";

runtime::FormSpec MainFormSpec() {
  runtime::FormSpec layout;
  layout.caption = "Mokurena";
  layout.clientWidth = 231;
  layout.clientHeight = 97;
  layout.border = runtime::BorderStyle::ToolWindow;
  layout.font = runtime::FontSpec{"MS UI Gothic", 12, SHIFTJIS_CHARSET};
  return layout;
}

constexpr COLORREF kCream = RGB(0xFF, 0xFB, 0xF0);

}  // namespace

TfrmQorbelMain::TfrmQorbelMain(const std::vector<std::string>& arguments)
    : runtime::Form(nullptr, "frmQorbelMain", MainFormSpec()),
      Panel(Add<runtime::Panel>("Panel", runtime::Bounds{0, 0, 231, 97}, "終了（´・ω・｀）", kCream)) {
  Panel.OnClick = [this] { PanelClick(); };
  FormCreate(arguments);
}

void TfrmQorbelMain::FormCreate(const std::vector<std::string>& arguments) {
  runtime::Application::HideWindow();
  if (arguments.empty()) {
    settings::ShowSettingsDialog(Handle());
  }
  if (arguments.size() == 1) {
    RunCheck(UnquoteCommandLineArgument(arguments[0]));
  }
  runtime::Application::Terminate();
}

void TfrmQorbelMain::PanelClick() { runtime::Application::Terminate(); }

void TfrmQorbelMain::RunCheck(const std::string& path) {
  MemberCheck check(settings::LoadWatchList());
  if (!ListMembers(path, check)) {
    runtime::ShowMessageBox(kArchiveNotOpened, runtime::MessageIcon::Information, runtime::MessageButtons::Ok, 1,
                            Handle());
    const int answer = runtime::ShowMessageBox(kPassAnyway, runtime::MessageIcon::Question,
                                               runtime::MessageButtons::YesNo, 1, Handle());
    if (answer == IDYES) PassToArchiver(path);
    return;
  }
  if (!check.HasWatchedMember()) {
    PassToArchiver(path);
    return;
  }
  const int modalResult = ShowReport(Handle(), check.ReportLines(), ReportMessageText(path));
  if (modalResult == runtime::mrOk) PassToArchiver(path);
}

bool TfrmQorbelMain::ListMembers(const std::string& path, MemberCheck& check) {
  archives::TArchiveFile archive;
  archive.SetFileName(path);
  const bool opened = archive.OpenArchive(Handle(), kOpenMode) == 0;
  // A listing that broke off ends there: the members found so far are all
  // the program judges.
  if (opened) ListMembersInto(archive, check);
  archive.CloseArchive();
  return opened;
}

void TfrmQorbelMain::PassToArchiver(const std::string& path) {
  const settings::ArchiverPaths paths = settings::ReadArchiverPaths();
  const std::string program = ChooseArchiverProgram(paths, ArchiverIndexFor(path), platform::FileExists);
  if (program.empty()) return;
  platform::ShellStart(Handle(), "open", program, QuoteArchiveArgument(path), platform::kShow);
}

}  // namespace app
