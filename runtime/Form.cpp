#include "runtime/Form.h"

#include "runtime/Application.h"
#include "runtime/Text.h"
#include "runtime/WindowClasses.h"

#include <stdexcept>

namespace runtime {

namespace {

struct FrameStyle {
  DWORD style;
  DWORD exStyle;
};

FrameStyle StyleOf(BorderStyle border) {
  switch (border) {
    case BorderStyle::ToolWindow:
      return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE};
    case BorderStyle::Dialog:
    default:
      return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME,
              WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE};
  }
}

HFONT MakeFont(const FontSpec& font) {
  return CreateFontA(-font.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<DWORD>(font.charset),
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     font.face.c_str());
}

// Every control below container that takes the focus, in tab order: a
// container's own controls come right after it, and a container that is
// not in the tab order (a tab page) after the ordered ones.
void CollectFocusable(Control& container, bool tabStopsOnly, std::vector<Control*>& out) {
  for (Control* control : container.TabList()) {
    if (control->CanFocus() && (!tabStopsOnly || control->TabStop())) out.push_back(control);
    CollectFocusable(*control, tabStopsOnly, out);
  }
  for (const auto& child : container.Children()) {
    if (child->TabOrder() < 0) CollectFocusable(*child, tabStopsOnly, out);
  }
}

template <class Visit>
void ForEachDescendant(Control& container, Visit visit) {
  for (Control* control : container.TabList()) {
    visit(*control);
    ForEachDescendant(*control, visit);
  }
  for (const auto& child : container.Children()) {
    if (child->TabOrder() < 0) {
      visit(*child);
      ForEachDescendant(*child, visit);
    }
  }
}

}  // namespace

Form::Form(HWND owner, std::string name, const FormSpec& layout) : Control(nullptr, std::move(name)) {
  Application::Initialize();
  const FrameStyle frame = StyleOf(layout.border);
  RECT rect{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&rect, frame.style, FALSE, frame.exStyle);
  CreateWindowFor({kFormClass, frame.style, frame.exStyle, layout.caption,
                   Bounds{0, 0, rect.right - rect.left, rect.bottom - rect.top}, false},
                  owner ? owner : Application::Handle());
  SetClientSize(layout.clientWidth, layout.clientHeight);
  SetFont(layout.font);
}

Form::~Form() {
  if (hwnd_) DestroyWindow(hwnd_);  // while the form and its controls still exist
  if (font_) DeleteObject(font_);
}

Form* Form::FromHandle(HWND hwnd) { return dynamic_cast<Form*>(Control::FromHandle(hwnd)); }

void Form::SetClientSize(int width, int height) {
  // The frame is measured on the real window, then the form is centred on
  // the screen.
  RECT window, client;
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  const int outerWidth = (window.right - window.left) + (width - (client.right - client.left));
  const int outerHeight = (window.bottom - window.top) + (height - (client.bottom - client.top));
  const int left = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;
  SetWindowPos(hwnd_, nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetFont(const FontSpec& layout) {
  HFONT font = MakeFont(layout);
  if (!font) throw std::runtime_error("CreateFont failed: " + layout.face);
  ApplyFont(font);
  if (font_) DeleteObject(font_);
  font_ = font;
}

int Form::ShowModal() {
  if (modal_ || IsWindowVisible(hwnd_)) throw std::logic_error("a visible form cannot be shown modally");
  const HWND owner = GetWindow(hwnd_, GW_OWNER);
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  modal_ = true;
  modalResult_ = mrNone;
  Show();
  while (modalResult_ == mrNone) {
    if (Application::Terminated()) {
      modalResult_ = mrCancel;
      break;
    }
    MSG msg;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT belongs to the outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult_ = mrCancel;
      break;
    }
    if (got == -1) {
      modalResult_ = mrCancel;
      break;
    }
    DispatchLoopMessage(msg);
  }
  const int result = modalResult_;
  // The owner comes back first, so that hiding the form activates it and not
  // some other program.
  if (disableOwner) EnableWindow(owner, TRUE);
  Hide();
  modal_ = false;
  return result;
}

void Form::Show() {
  savedFocus_ = nullptr;
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd_);
  const HWND focus = GetFocus();
  if (!focus || !IsChild(hwnd_, focus)) FocusInitialControl();
  lastFocus_ = nullptr;
  UpdateDefaultButtonLook();
}

void Form::Hide() {
  if (IsWindowVisible(hwnd_)) {
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form::Close() { SendMessageA(hwnd_, WM_CLOSE, 0, 0); }

Control* Form::FocusedControl() const {
  for (HWND hwnd = GetFocus(); hwnd && hwnd != hwnd_; hwnd = GetParent(hwnd)) {
    if (Control* control = Control::FromHandle(hwnd)) {
      return &const_cast<Control&>(*control).OwnerForm() == this ? control : nullptr;
    }
  }
  return nullptr;
}

void Form::FocusInitialControl() {
  Control* target = (activeControl_ && activeControl_->CanFocus()) ? activeControl_ : nullptr;
  if (!target) {
    std::vector<Control*> controls;
    CollectFocusable(*this, true, controls);
    if (!controls.empty()) target = controls.front();
  }
  if (!target) return;
  target->SetFocus();
  if (Edit* edit = dynamic_cast<Edit*>(target)) edit->SelectAll();
}

void Form::RestoreFocus() {
  if (savedFocus_ && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_) && IsWindowVisible(savedFocus_) &&
      IsWindowEnabled(savedFocus_)) {
    ::SetFocus(savedFocus_);
  } else {
    FocusInitialControl();
  }
}

void Form::UpdateDefaultButtonLook() {
  const HWND focus = GetFocus();
  if (focus == lastFocus_ && focus) return;
  lastFocus_ = focus;
  Button* target = dynamic_cast<Button*>(FocusedControl());
  if (!target) target = defaultButton_;
  ForEachDescendant(*this, [target](Control& control) {
    if (Button* button = dynamic_cast<Button*>(&control)) button->ShowAsDefault(button == target);
  });
}

void Form::SelectNext(Control* from, bool forward, bool tabStopsOnly) {
  std::vector<Control*> controls;
  Control* scope = this;
  if (!tabStopsOnly && from && from->Parent()) scope = from->Parent();  // arrows stay inside the container
  CollectFocusable(*scope, tabStopsOnly, controls);
  if (controls.empty()) return;
  int index = -1;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i] == from) index = static_cast<int>(i);
  }
  const int count = static_cast<int>(controls.size());
  int next;
  if (index < 0) {
    next = forward ? 0 : count - 1;
  } else {
    next = (index + (forward ? 1 : count - 1)) % count;
  }
  Control* target = controls[static_cast<std::size_t>(next)];
  target->SetFocus();
  if (Edit* edit = dynamic_cast<Edit*>(target)) edit->SelectAll();
}

bool Form::HandleAccessKey(char ch) {
  Control* hit = nullptr;
  ForEachDescendant(*this, [&](Control& control) {
    if (hit || !control.CanFocus()) return;
    if (!dynamic_cast<Button*>(&control) && !dynamic_cast<CheckBox*>(&control)) return;
    if (MatchesAccessKey(control.Text(), ch)) hit = &control;
  });
  if (!hit) return false;
  if (Button* button = dynamic_cast<Button*>(hit)) {
    button->Click();
  } else if (CheckBox* box = dynamic_cast<CheckBox*>(hit)) {
    box->SetFocus();
    box->Toggle();
  }
  return true;
}

bool Form::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  switch (msg.message) {
    case WM_KEYDOWN: {
      Control* focus = FocusedControl();
      const unsigned wants = focus ? focus->KeysWanted() : 0;
      const bool control = GetKeyState(VK_CONTROL) < 0;
      const bool shift = GetKeyState(VK_SHIFT) < 0;
      switch (msg.wParam) {
        case VK_TAB:
          if (control) return false;
          SelectNext(focus, !shift, true);
          return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
          if (!focus || (wants & kWantsArrows)) return false;
          SelectNext(focus, msg.wParam == VK_RIGHT || msg.wParam == VK_DOWN, false);
          return true;
        case VK_RETURN: {
          if (wants & kWantsReturn) return false;
          Button* button = dynamic_cast<Button*>(focus);
          if (!button) button = defaultButton_;
          if (button && button->CanFocus()) button->Click();
          return true;
        }
        case VK_ESCAPE:
          if (cancelButton_ && cancelButton_->CanFocus()) cancelButton_->Click();
          return true;
        default: return false;
      }
    }
    case WM_SYSCHAR: return HandleAccessKey(static_cast<char>(msg.wParam));
    case WM_CHAR: {
      Control* focus = FocusedControl();
      if (focus && (focus->KeysWanted() & kWantsChars)) return false;
      return HandleAccessKey(static_cast<char>(msg.wParam));
    }
    default: return false;
  }
}

bool Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_CLOSE:
      if (modal_) {
        modalResult_ = mrCancel;
      } else {
        Hide();
        if (Application::MainForm() == this) Application::Terminate();
      }
      result = 0;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        RestoreFocus();
      }
      result = 0;
      return true;
    case WM_SETFOCUS:
      RestoreFocus();
      result = 0;
      return true;
    default: return Control::HandleMessage(msg, wParam, lParam, result);
  }
}

void DispatchLoopMessage(MSG& msg) {
  const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  Form* form = Form::FromHandle(root);
  if (!form || !form->PreTranslateMessage(msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // The handler may have destroyed the form; look it up again.
  if (Form* again = Form::FromHandle(root)) again->UpdateDefaultButtonLook();
  const HWND active = GetActiveWindow();
  if (active != root) {
    if (Form* activeForm = Form::FromHandle(active)) activeForm->UpdateDefaultButtonLook();
  }
}

}  // namespace runtime
