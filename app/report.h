// The report dialog: the members with watched extensions, the archive's name
// and folder, and the question whether to stop. Its two buttons are turned
// into modal results; it decides nothing else.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/Control.h"
#include "runtime/Form.h"

namespace app {

class TfrmReport : public runtime::Form {
 public:
  explicit TfrmReport(HWND owner);

  runtime::Memo& MemoCheckedFiles;
  runtime::Button& btnContinue;
  runtime::Button& btnStop;
  runtime::Label& lblMessage;

 private:
  void btnContinueClick();
  void btnStopClick();
};

// Creates the dialog owned by owner, puts lines into the memo and message
// into the label, shows it modally, destroys it and returns its modal
// result: runtime::mrOk to continue, runtime::mrCancel to stop (stop button,
// Enter, close box, system menu, Alt+F4).
int ShowReport(HWND owner, const std::vector<std::string>& lines, const std::string& message);

}  // namespace app
