// The settings dialog TfrmConfig: its controls at their pixel positions and
// its handlers. What the handlers decide comes from plain functions
// (ConfigRules, SettingsFiles, Associations, ZipFolder); this file only reads
// the controls, calls them and shows the result.
#include "settings/config.h"

#include <array>
#include <string>

#include "platform/Files.h"
#include "runtime/Application.h"
#include "runtime/Control.h"
#include "runtime/Dialogs.h"
#include "runtime/Form.h"
#include "settings/Associations.h"
#include "settings/ConfigRules.h"
#include "settings/SettingsFiles.h"
#include "settings/ZipFolder.h"

namespace settings {

namespace {

const char kAddPrompt[] = "追加する拡張子を入力してください（.は要りません。例\"exe\"）";
const char kNothingSelected[] = "選択されていません";
const char kExeFilter[] = "*.exe|*.exe";

using runtime::Bounds;

// One row of the association group: check box, path field, browse button.
struct RowSpec {
  int top;
  const char* checkBox;
  const char* caption;
  const char* edit;
  const char* button;
};

constexpr std::array<RowSpec, kArchiveTypeCount> kRows = {{
    {24, "cblzh", ".lzh", "EditLzhpath", "btnlzhpath"},
    {48, "cbzip", ".zip", "EditZippath", "btnzippath"},
    {72, "cbcab", ".cab", "EditCabpath", "btncabpath"},
    {104, "cb7z", ".7z", "edit7zpath", "btn7zpath"},
    {128, "cbrar", ".rar", "editRarpath", "btnrarpath"},
    {152, "cbgca", ".gca", "EditGcapath", "btnGcapath"},
}};

}  // namespace

class TfrmConfig {
 public:
  explicit TfrmConfig(HWND owner);
  TfrmConfig(const TfrmConfig&) = delete;
  TfrmConfig& operator=(const TfrmConfig&) = delete;

  int ShowModal() { return frmConfig_.ShowModal(); }

 private:
  void CreateControls();

  void FormCreate();
  void ReadIni();
  void WriteIni();

  void btnChkExtAddClick();
  void btnChkExtDeleteClick();
  void btnChkExtinitClick();

  std::string GetArchiverpath(const std::string& current);
  // The body of the seven browse handlers: the field's text goes in, the
  // chosen (or kept, or emptied) path comes back into the same field.
  void BrowseInto(runtime::Edit& field);

  void Button6Click();
  void Button5Click();

  void IsAssociatedMe();
  void AssociatedMe();

  void btnZipFolderReleaseClick() { SwitchZipFolderOrSayWhy(false); }
  void btnZipFolderAttachClick() { SwitchZipFolderOrSayWhy(true); }
  void SwitchZipFolderOrSayWhy(bool switchOn);

  HWND Handle() const { return frmConfig_.Handle(); }

  runtime::Form frmConfig_;
  runtime::ListBox* lbChkExt_ = nullptr;
  // EditArchiverpath, then the fields of lzh, zip, cab, 7z, rar and gca: the
  // order of ArchiverPaths.
  std::array<runtime::Edit*, kArchiverPathCount> pathFields_{};
  // cblzh to cbgca, in the order of kArchiveTypeExtensions.
  std::array<runtime::CheckBox*, kArchiveTypeCount> typeBoxes_{};
};

TfrmConfig::TfrmConfig(HWND owner)
    : frmConfig_(owner, "frmConfig",
                 runtime::FormSpec{"設定 - Mokurena", 472, 393, runtime::BorderStyle::Dialog,
                                   runtime::FontSpec{"MS UI Gothic", 12, SHIFTJIS_CHARSET}}) {
  CreateControls();
  // An error here is reported, and the dialog opens with what was filled in
  // before it.
  runtime::ReportErrors([this] { FormCreate(); });
}

// Every container's controls are made in their tab order.
void TfrmConfig::CreateControls() {
  using runtime::Button;
  using runtime::CheckBox;
  using runtime::Edit;
  using runtime::GroupBox;

  auto& pages = frmConfig_.Add<runtime::TabControl>("PageControl1", Bounds{0, 0, 472, 345});
  auto& button5 = frmConfig_.Add<Button>("Button5", Bounds{384, 360, 75, 25}, "閉じる(&C)");
  auto& button6 = frmConfig_.Add<Button>("Button6", Bounds{296, 360, 75, 25}, "適用(&A)");
  button5.OnClick = [this] { Button5Click(); };
  button6.OnClick = [this] { Button6Click(); };

  // First page: the watch list and the ZIP-folder switch.
  runtime::TabPage& general = pages.AddPage("TabSheet1", "全般");
  auto& group1 = general.Add<GroupBox>("GroupBox1", Bounds{8, 8, 225, 297}, "監視する拡張子");
  lbChkExt_ = &group1.Add<runtime::ListBox>("lbChkExt", Bounds{16, 24, 89, 257}, 12);
  group1.Add<Button>("btnChkExtAdd", Bounds{120, 24, 89, 25}, "追加").OnClick = [this] { btnChkExtAddClick(); };
  group1.Add<Button>("btnChkExtDelete", Bounds{120, 56, 89, 25}, "削除").OnClick = [this] { btnChkExtDeleteClick(); };
  group1.Add<Button>("btnChkExtinit", Bounds{120, 88, 89, 25}, "初期化").OnClick = [this] { btnChkExtinitClick(); };
  general.Add<Button>("btnZipFolderAttach", Bounds{248, 48, 137, 25}, "zipフォルダを有効にする").OnClick = [this] {
    btnZipFolderAttachClick();
  };
  general.Add<Button>("btnZipFolderRelease", Bounds{248, 16, 137, 25}, "zipフォルダを無効にする").OnClick = [this] {
    btnZipFolderReleaseClick();
  };

  // Second page: the archiver programs and the associations.
  runtime::TabPage& associations = pages.AddPage("TabSheet2", "関連付け");
  auto& group2 = associations.Add<GroupBox>("GroupBox2", Bounds{8, 8, 449, 57}, "解凍ソフト（一般）");
  pathFields_[0] = &group2.Add<Edit>("EditArchiverpath", Bounds{16, 24, 369, 20});
  group2.Add<Button>("btnArchiverpath", Bounds{384, 24, 49, 20}, "...").OnClick = [this] {
    BrowseInto(*pathFields_[0]);
  };
  auto& group3 = associations.Add<GroupBox>("GroupBox3", Bounds{8, 72, 449, 233}, "関連付け＆固有ソフトの指定");
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    const RowSpec& row = kRows[i];
    typeBoxes_[i] = &group3.Add<CheckBox>(row.checkBox, Bounds{16, row.top, 49, 17}, row.caption);
    Edit& field = group3.Add<Edit>(row.edit, Bounds{72, row.top, 337, 20});
    pathFields_[i + 1] = &field;
    group3.Add<Button>(row.button, Bounds{408, row.top, 25, 20}, "...").OnClick = [this, &field] { BrowseInto(field); };
  }
  pages.SetActivePageIndex(0);
}

void TfrmConfig::FormCreate() {
  ReadIni();
  IsAssociatedMe();
}

void TfrmConfig::ReadIni() {
  lbChkExt_->SetItems(LoadWatchList());
  const ArchiverPaths paths = ReadArchiverPaths();
  for (std::size_t i = 0; i < kArchiverPathCount; ++i) pathFields_[i]->SetText(paths[i]);
}

// The watch list first, then the paths exactly as typed: a failure of the
// second leaves the first written.
void TfrmConfig::WriteIni() {
  SaveWatchList(lbChkExt_->Items());
  ArchiverPaths paths;
  for (std::size_t i = 0; i < kArchiverPathCount; ++i) paths[i] = pathFields_[i]->Text();
  WriteArchiverPaths(paths);
}

void TfrmConfig::btnChkExtAddClick() {
  const std::string answer = runtime::InputBox("", kAddPrompt, "", Handle());
  // The list is re-sorted even when nothing is added; the selected place
  // stays selected, as when a list control is made anew.
  const int selected = lbChkExt_->ItemIndex();
  lbChkExt_->SetItems(AddToWatchList(lbChkExt_->Items(), answer));
  if (selected >= 0 && selected < lbChkExt_->Count()) lbChkExt_->SetItemIndex(selected);
}

void TfrmConfig::btnChkExtDeleteClick() {
  const int selected = lbChkExt_->ItemIndex();
  if (selected < 0) {
    runtime::ShowMessageBox(kNothingSelected, runtime::MessageIcon::Information, runtime::MessageButtons::Ok, 1,
                            Handle());
    return;
  }
  if (selected < lbChkExt_->Count()) lbChkExt_->DeleteItem(selected);
}

void TfrmConfig::btnChkExtinitClick() { lbChkExt_->SetItems(DefaultWatchList()); }

std::string TfrmConfig::GetArchiverpath(const std::string& current) {
  const ArchiverBrowseStart start = GetArchiverpathStart(current);
  const auto chosen = runtime::OpenFileDialog(kExeFilter, start.initialFolder, Handle());
  return chosen ? *chosen : start.result;
}

void TfrmConfig::BrowseInto(runtime::Edit& field) { field.SetText(GetArchiverpath(field.Text())); }

// Apply: an error in either step is reported by the button's handler and
// leaves the dialog open with every edit.
void TfrmConfig::Button6Click() {
  WriteIni();
  AssociatedMe();
  frmConfig_.SetModalResult(runtime::mrOk);
}

void TfrmConfig::Button5Click() { frmConfig_.SetModalResult(runtime::mrCancel); }

// A box whose test fails with an error stays cleared, as do the ones after it.
void TfrmConfig::IsAssociatedMe() {
  const std::string exe = platform::ExecutablePath();
  for (std::size_t i = 0; i < kArchiveTypeCount; ++i) {
    typeBoxes_[i]->SetChecked(IsAssosiatedMeB(kArchiveTypeExtensions[i], exe));
  }
}

void TfrmConfig::AssociatedMe() {
  AssociationChoices ticked{};
  for (std::size_t i = 0; i < kArchiveTypeCount; ++i) ticked[i] = typeBoxes_[i]->Checked();
  settings::AssociatedMe(ticked, platform::ExecutablePath(), DefaultShellNotifier());
}

void TfrmConfig::SwitchZipFolderOrSayWhy(bool switchOn) {
  if (SwitchZipFolder(Handle(), switchOn)) return;
  runtime::ShowMessageBox(kZipFolderNeedsXP, runtime::MessageIcon::Information, runtime::MessageButtons::Ok, 1,
                          Handle());
}

void ShowSettingsDialog(HWND owner) {
  TfrmConfig dialog(owner);
  dialog.ShowModal();
}

}  // namespace settings
