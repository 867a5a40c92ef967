#include "runtime/Dialogs.h"

#include "runtime/Application.h"
#include "runtime/Control.h"
#include "runtime/Form.h"
#include "runtime/Text.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace runtime {

namespace {

HWND OwnerOrActive(HWND owner) { return owner ? owner : Application::ActiveOwner(); }

UINT IconFlags(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return MB_ICONINFORMATION;
    case MessageIcon::Question: return MB_ICONQUESTION;
    case MessageIcon::Warning: return MB_ICONWARNING;
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::None:
    default: return 0;
  }
}

UINT ButtonFlags(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel: return MB_OKCANCEL;
    case MessageButtons::YesNo: return MB_YESNO;
    case MessageButtons::YesNoCancel: return MB_YESNOCANCEL;
    case MessageButtons::Ok:
    default: return MB_OK;
  }
}

UINT DefaultButtonFlag(int defaultButton) {
  switch (defaultButton) {
    case 2: return MB_DEFBUTTON2;
    case 3: return MB_DEFBUTTON3;
    default: return MB_DEFBUTTON1;
  }
}

}  // namespace

int ShowMessageBox(const std::string& text, MessageIcon icon, MessageButtons buttons, int defaultButton, HWND owner) {
  return MessageBoxA(OwnerOrActive(owner), text.c_str(), Application::Title().c_str(),
                     IconFlags(icon) | ButtonFlags(buttons) | DefaultButtonFlag(defaultButton));
}

std::optional<std::string> InputQuery(const std::string& title, const std::string& prompt,
                                      const std::string& defaultText, HWND owner) {
  constexpr int kMargin = 8;
  constexpr int kButtonWidth = 75;
  constexpr int kButtonHeight = 25;
  constexpr int kMinimumWidth = 300;

  FormSpec layout;
  layout.caption = title;
  layout.clientWidth = kMinimumWidth;
  layout.clientHeight = 100;
  layout.border = BorderStyle::Dialog;
  layout.font = FontSpec{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET};
  Form form(OwnerOrActive(owner), "frmInputQuery", layout);

  Label& prompted = form.Add<Label>("lblPrompt", Bounds{kMargin, kMargin, 0, 0}, prompt);
  const Bounds label = prompted.GetBounds();
  const int width = std::max(kMinimumWidth, label.width + 2 * kMargin);
  const int editTop = label.top + label.height + 6;
  Edit& edit = form.Add<Edit>("edtValue", Bounds{kMargin, editTop, width - 2 * kMargin, 20}, defaultText);
  const int buttonTop = editTop + 20 + 12;
  Button& ok = form.Add<Button>(
      "btnOk", Bounds{width - kMargin - 2 * kButtonWidth - 8, buttonTop, kButtonWidth, kButtonHeight}, "OK");
  Button& cancel = form.Add<Button>(
      "btnCancel", Bounds{width - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight}, "キャンセル");
  ok.SetDefault(true);
  ok.SetModalResult(mrOk);
  cancel.SetCancel(true);
  cancel.SetModalResult(mrCancel);
  form.SetActiveControl(&edit);
  form.SetClientSize(width, buttonTop + kButtonHeight + kMargin);

  if (form.ShowModal() != mrOk) return std::nullopt;
  return edit.Text();
}

std::string InputBox(const std::string& title, const std::string& prompt, const std::string& defaultText, HWND owner) {
  return InputQuery(title, prompt, defaultText, owner).value_or(defaultText);
}

std::optional<std::string> OpenFileDialog(const std::string& filter, const std::string& initialFolder, HWND owner) {
  const std::string filters = FilterToNulSeparated(filter);
  std::vector<char> file(32 * 1024, '\0');
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = OwnerOrActive(owner);
  dialog.lpstrFilter = filter.empty() ? nullptr : filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(file.data());
}

}  // namespace runtime
