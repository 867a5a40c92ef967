#include "runtime/Control.h"

#include "runtime/Application.h"
#include "runtime/Form.h"
#include "runtime/Text.h"
#include "runtime/WindowClasses.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace runtime {

namespace {

constexpr const char* kControlProperty = "MokurenaControl";
constexpr const char* kSystemProcProperty = "MokurenaSystemProc";

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

ATOM AddAtom(const std::string& text) {
  if (text.empty() || text.size() > 255) return 0;
  return GlobalAddAtomA(text.c_str());
}

}  // namespace

// ---------------------------------------------------------------- window procedures

void RegisterWindowClasses() {
  static bool registered = false;
  if (registered) return;
  HICON icon = LoadIconA(Instance(), "MAINICON");
  if (!icon) icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  struct ClassInfo {
    const char* name;
    HBRUSH background;
    HICON icon;
  };
  const ClassInfo classes[] = {
      {kFormClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon},
      {kPageClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr},
      {kPanelClass, nullptr, nullptr},
  };
  for (const ClassInfo& info : classes) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = RuntimeWindowProc;
    wc.hInstance = Instance();
    wc.hIcon = info.icon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = info.background;
    wc.lpszClassName = info.name;
    if (!RegisterClassExA(&wc)) throw std::runtime_error(std::string("RegisterClassEx failed: ") + info.name);
  }
  registered = true;
}

LRESULT CALLBACK RuntimeWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Control* control = Control::FromHandle(hwnd)) {
    if (msg == WM_NCDESTROY) {
      control->ForgetWindow();
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    if (control->RouteFromChild(msg, wParam, lParam, result)) return result;
    if (control->HandleMessage(msg, wParam, lParam, result)) return result;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK RuntimeSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const WNDPROC system = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kSystemProcProperty));
  if (Control* control = Control::FromHandle(hwnd)) {
    if (msg == WM_NCDESTROY) {
      control->ForgetWindow();
    } else {
      LRESULT result = 0;
      if (control->RouteFromChild(msg, wParam, lParam, result)) return result;
      if (control->HandleMessage(msg, wParam, lParam, result)) return result;
    }
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system));
    RemovePropA(hwnd, kSystemProcProperty);
  }
  return system ? CallWindowProcA(system, hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- Control

Control::Control(Control* parent, std::string name) : parent_(parent), name_(std::move(name)) {}

Control::~Control() {
  if (hwnd_) DestroyWindow(hwnd_);  // the children's windows go with it
}

Control* Control::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId()) return nullptr;
  return static_cast<Control*>(GetPropA(hwnd, kControlProperty));
}

Form& Control::OwnerForm() {
  Control* control = this;
  while (control->parent_) control = control->parent_;
  return static_cast<Form&>(*control);
}

void Control::CreateWindowFor(const WindowParams& params, HWND ownerOrParent) {
  inTabOrder_ = params.inTabOrder;
  DWORD style = params.style;
  HWND parentWindow = ownerOrParent;
  HMENU id = nullptr;
  if (parent_) {
    parentWindow = parent_->hwnd_;
    style |= WS_CHILD;
    id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(OwnerForm().NextControlId()));
  }
  const Bounds& b = params.bounds;
  hwnd_ = CreateWindowExA(params.exStyle, params.className, params.text.c_str(), style, b.left, b.top, b.width,
                          b.height, parentWindow, id, Instance(), nullptr);
  if (!hwnd_) throw std::runtime_error(std::string("CreateWindowEx failed for ") + params.className + " " + name_);
  SetPropA(hwnd_, kControlProperty, this);
  nameAtom_ = AddAtom(name_);
  if (nameAtom_) SetPropA(hwnd_, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nameAtom_)));
}

void Control::RouteChildNotifications() {
  const LONG_PTR previous = SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RuntimeSubclassProc));
  systemProc_ = reinterpret_cast<WNDPROC>(previous);
  SetPropA(hwnd_, kSystemProcProperty, reinterpret_cast<HANDLE>(previous));
}

void Control::ForgetWindow() {
  if (!hwnd_) return;
  RemovePropA(hwnd_, kControlProperty);
  RemovePropA(hwnd_, kNameProperty);
  RemovePropA(hwnd_, kFontProperty);
  if (nameAtom_) GlobalDeleteAtom(nameAtom_);
  if (fontAtom_) GlobalDeleteAtom(fontAtom_);
  nameAtom_ = fontAtom_ = 0;
  hwnd_ = nullptr;
}

void Control::Adopt(std::unique_ptr<Control> child) {
  Control* control = child.get();
  children_.push_back(std::move(child));
  if (control->inTabOrder_) tabList_.push_back(control);
  if (HFONT font = OwnerForm().Font()) control->ApplyFont(font);
  ApplyTabOrder();
}

Control* Control::Find(const std::string& name) {
  if (name_ == name) return this;
  for (const auto& child : children_) {
    if (Control* found = child->Find(name)) return found;
  }
  return nullptr;
}

std::string Control::Text() const { return hwnd_ ? WindowText(hwnd_) : std::string(); }

void Control::SetText(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }

Bounds Control::GetBounds() const {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  if (parent_) MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
  return Bounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

bool Control::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
bool Control::Visible() const { return (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetFocus() { ::SetFocus(hwnd_); }
bool Control::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

bool Control::CanFocus() const {
  if (!Focusable() || !hwnd_ || !IsWindowVisible(hwnd_)) return false;
  for (const Control* c = this; c; c = c->parent_) {
    if (!IsWindowEnabled(c->hwnd_)) return false;
  }
  return true;
}

int Control::TabOrder() const {
  if (!parent_ || !inTabOrder_) return -1;
  const auto& list = parent_->tabList_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void Control::SetTabOrder(int order) {
  if (!parent_ || !inTabOrder_) return;
  auto& list = parent_->tabList_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  const int clamped = std::max(0, std::min(order, static_cast<int>(list.size())));
  list.insert(list.begin() + clamped, this);
  parent_->ApplyTabOrder();
}

bool Control::TabStop() const { return (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_TABSTOP) != 0; }

void Control::SetTabStop(bool tabStop) {
  LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
  style = tabStop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
  SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
}

// The children's windows stand in tab order, then the others (labels, tab
// pages) in the order they were made. Navigation and the tests' view of the
// tab order both follow this z-order.
void Control::ApplyTabOrder() {
  std::vector<Control*> order = tabList_;
  for (const auto& child : children_) {
    if (!child->inTabOrder_) order.push_back(child.get());
  }
  HWND previous = HWND_TOP;
  for (Control* control : order) {
    SetWindowPos(control->hwnd_, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = control->hwnd_;
  }
}

void Control::ApplyFont(HFONT font) {
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  LOGFONTA logFont{};
  if (GetObjectA(font, sizeof logFont, &logFont)) {
    if (fontAtom_) GlobalDeleteAtom(fontAtom_);
    fontAtom_ = AddAtom(std::string(logFont.lfFaceName) + "," + std::to_string(-logFont.lfHeight) + "," +
                        std::to_string(logFont.lfCharSet));
    SetPropA(hwnd_, kFontProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(fontAtom_)));
  }
  FontChanged();
  for (const auto& child : children_) child->ApplyFont(font);
}

LRESULT Control::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return systemProc_ ? CallWindowProcA(systemProc_, hwnd_, msg, wParam, lParam)
                     : DefWindowProcA(hwnd_, msg, wParam, lParam);
}

bool Control::RouteFromChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (Control* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (child != this) {
          child->Command(HIWORD(static_cast<DWORD>(wParam)));
          result = 0;
          return true;
        }
      }
      return false;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) return false;
      Control* child = FromHandle(header->hwndFrom);
      if (!child || child == this) return false;
      result = child->Notify(*header);
      return true;
    }
    default: return false;
  }
}

bool Control::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Our own window classes keep their font; the system controls do it
  // themselves.
  if (systemProc_) return false;
  switch (msg) {
    case WM_SETFONT:
      ownFont_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd_, nullptr, TRUE);
      result = 0;
      return true;
    case WM_GETFONT: result = reinterpret_cast<LRESULT>(ownFont_); return true;
    default: return false;
  }
}

}  // namespace runtime
