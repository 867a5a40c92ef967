#include "app/report.h"

namespace app {

namespace {

runtime::FormSpec ReportFormSpec() {
  runtime::FormSpec layout;
  layout.caption = "発見しました - Mokurena";
  layout.clientWidth = 472;
  layout.clientHeight = 406;
  layout.border = runtime::BorderStyle::Dialog;
  layout.font = runtime::FontSpec{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET};
  return layout;
}

}  // namespace

TfrmReport::TfrmReport(HWND owner)
    : runtime::Form(owner, "frmReport", ReportFormSpec()),
      MemoCheckedFiles(Add<runtime::Memo>("MemoCheckedFiles", runtime::Bounds{16, 16, 441, 217})),
      btnContinue(Add<runtime::Button>("btnContinue", runtime::Bounds{376, 352, 81, 33}, "続行(&C)")),
      btnStop(Add<runtime::Button>("btnStop", runtime::Bounds{256, 352, 81, 33}, "中断(&S)")),
      lblMessage(Add<runtime::Label>("lblMessage", runtime::Bounds{16, 256, 0, 0}, "*****")) {
  btnStop.SetTabOrder(0);
  btnContinue.SetTabOrder(1);
  MemoCheckedFiles.SetTabOrder(2);
  MemoCheckedFiles.SetTabStop(false);
  btnStop.SetDefault(true);
  SetActiveControl(&btnStop);
  btnContinue.OnClick = [this] { btnContinueClick(); };
  btnStop.OnClick = [this] { btnStopClick(); };
}

void TfrmReport::btnContinueClick() { SetModalResult(runtime::mrOk); }

void TfrmReport::btnStopClick() { SetModalResult(runtime::mrCancel); }

int ShowReport(HWND owner, const std::vector<std::string>& lines, const std::string& message) {
  TfrmReport frmReport(owner);
  frmReport.MemoCheckedFiles.SetLines(lines);
  frmReport.lblMessage.SetText(message);
  return frmReport.ShowModal();
}

}  // namespace app
