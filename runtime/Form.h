// Top-level forms: exact client size in pixels, centred on the screen, a
// dialog or tool-window border, one font for all controls, button-face
// colour, an owner window; shown modally with a modal result.
#pragma once

#include "runtime/Control.h"

#include <windows.h>

#include <string>

namespace runtime {

enum class BorderStyle {
  Dialog,      // fixed size, no minimise or maximise box, close box
  ToolWindow,  // small caption, fixed size, close box
};

struct FontSpec {
  std::string face;  // in the system code page
  int height = 12;   // character height in pixels
  int charset = SHIFTJIS_CHARSET;
};

struct FormSpec {
  std::string caption;
  int clientWidth = 0;
  int clientHeight = 0;
  BorderStyle border = BorderStyle::Dialog;
  FontSpec font;
};

class Form : public Control {
 public:
  // owner nullptr: the application window owns the form.
  Form(HWND owner, std::string name, const FormSpec& layout);
  ~Form() override;

  // Shows the form modally: disables its owner, runs a nested message loop
  // with dialog-style keyboard handling until a modal result is set, hides
  // the form and returns the result. Closing the form (close box, Alt+F4,
  // system menu) gives mrCancel.
  int ShowModal();
  // Shows the form without waiting; closing it hides it (and ends the
  // application when it is the main form).
  void Show();
  void Hide();
  // Closes the form as its close box does.
  void Close();

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }

  // The control that gets the focus when the form is shown; by default the
  // first one in tab order that can take it.
  void SetActiveControl(Control* control) { activeControl_ = control; }
  // The control that has the focus, or nullptr.
  Control* FocusedControl() const;

  Button* DefaultButton() const { return defaultButton_; }
  Button* CancelButton() const { return cancelButton_; }

  // Resizes the form to this client size and centres it on the screen.
  void SetClientSize(int width, int height);

  // Changes the font of the form and all its controls.
  void SetFont(const FontSpec& font);
  HFONT Font() const { return font_; }

  // The runtime's keyboard handling for a message about to be dispatched:
  // Tab and arrows move the focus, Enter chooses the focused or the default
  // button, Escape the cancel button, access keys click their control.
  // Returns true when the message has been dealt with.
  bool PreTranslateMessage(MSG& msg);

  static Form* FromHandle(HWND hwnd);

 protected:
  bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool Focusable() const override { return false; }

 private:
  friend class Button;
  friend class Control;
  friend void DispatchLoopMessage(MSG& msg);

  int NextControlId() { return nextControlId_++; }
  void FocusInitialControl();
  void RestoreFocus();
  // Shows the focused button, else the default button, with the default
  // frame.
  void UpdateDefaultButtonLook();
  void SelectNext(Control* from, bool forward, bool tabStopsOnly);
  bool HandleAccessKey(char ch);

  HFONT font_ = nullptr;
  int modalResult_ = mrNone;
  bool modal_ = false;
  int nextControlId_ = 100;  // ids 1 and 2 (IDOK, IDCANCEL) are never used
  Control* activeControl_ = nullptr;
  HWND savedFocus_ = nullptr;
  HWND lastFocus_ = nullptr;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
};

// Hands one message of a message loop to the runtime: the keyboard handling
// of the form it belongs to, else translation and dispatch.
void DispatchLoopMessage(MSG& msg);

}  // namespace runtime
