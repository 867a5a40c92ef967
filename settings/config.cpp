#include "settings/config.h"

#include "runtime/Form.h"

namespace settings {

// An empty settings dialog until its controls are built.
void ShowSettingsDialog(HWND owner) {
  runtime::Form form(owner, "frmConfig",
                     runtime::FormSpec{"設定 - Mokurena", 472, 393, runtime::BorderStyle::Dialog,
                                       runtime::FontSpec{"MS UI Gothic", 12, SHIFTJIS_CHARSET}});
  form.ShowModal();
}

}  // namespace settings
