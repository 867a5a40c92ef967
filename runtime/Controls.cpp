// The control kinds: each is a system control (or one of ours) with the
// styles that give the behaviour the forms ask for.
#include "platform/CodePage.h"
#include "runtime/Application.h"
#include "runtime/Control.h"
#include "runtime/Form.h"
#include "runtime/Text.h"
#include "runtime/WindowClasses.h"

#include <commctrl.h>

#include <algorithm>

namespace runtime {

namespace {

void RunHandler(const std::function<void()>& handler) {
  if (!handler) return;
  const std::function<void()> copy = handler;  // the handler may replace itself
  ReportErrors(copy);
}

std::string ListText(HWND hwnd, UINT lengthMsg, UINT textMsg, int index) {
  const LRESULT length = SendMessageA(hwnd, lengthMsg, static_cast<WPARAM>(index), 0);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessageA(hwnd, textMsg, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

}  // namespace

// ---------------------------------------------------------------- Button

Button::Button(Control& parent, std::string name, Bounds bounds, const std::string& caption)
    : Control(&parent, std::move(name)) {
  CreateWindowFor({"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, caption, bounds, true});
}

void Button::SetDefault(bool isDefault) {
  Form& form = OwnerForm();
  if (isDefault) {
    form.defaultButton_ = this;
  } else if (form.defaultButton_ == this) {
    form.defaultButton_ = nullptr;
  }
  form.lastFocus_ = nullptr;  // look again at every button
  form.UpdateDefaultButtonLook();
}

void Button::SetCancel(bool isCancel) {
  Form& form = OwnerForm();
  if (isCancel) {
    form.cancelButton_ = this;
  } else if (form.cancelButton_ == this) {
    form.cancelButton_ = nullptr;
  }
}

void Button::Click() {
  if (modalResult_ != mrNone) OwnerForm().SetModalResult(modalResult_);
  RunHandler(OnClick);
}

void Button::ShowAsDefault(bool asDefault) {
  const LONG_PTR kind = GetWindowLongPtrA(hwnd_, GWL_STYLE) & BS_TYPEMASK;
  const LONG wanted = asDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if (kind != wanted) SendMessageA(hwnd_, BM_SETSTYLE, static_cast<WPARAM>(wanted), TRUE);
}

void Button::Command(WORD code) {
  if (code == BN_CLICKED) Click();
}

// ---------------------------------------------------------------- CheckBox

CheckBox::CheckBox(Control& parent, std::string name, Bounds bounds, const std::string& caption)
    : Control(&parent, std::move(name)) {
  CreateWindowFor({"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, caption, bounds, true});
}

bool CheckBox::Checked() const { return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) { SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

void CheckBox::Toggle() {
  SetChecked(!Checked());
  RunHandler(OnClick);
}

void CheckBox::Command(WORD code) {
  if (code == BN_CLICKED) RunHandler(OnClick);  // the box has toggled itself
}

// ---------------------------------------------------------------- Label

Label::Label(Control& parent, std::string name, Bounds bounds, const std::string& caption)
    : Control(&parent, std::move(name)) {
  CreateWindowFor({"STATIC", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, caption, bounds, false});
  AutoSize();
}

void Label::SetText(const std::string& text) {
  Control::SetText(text);
  AutoSize();
}

void Label::AutoSize() {
  std::string text = Text();
  if (text.empty()) text = " ";  // an empty label keeps the height of one line
  HDC dc = GetDC(hwnd_);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
  RECT rect{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  SetWindowPos(hwnd_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---------------------------------------------------------------- Edit and Memo

Edit::Edit(Control& parent, std::string name, Bounds bounds, const std::string& text)
    : Control(&parent, std::move(name)) {
  CreateWindowFor({"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, text, bounds, true});
  SendMessageA(hwnd_, EM_LIMITTEXT, 0, 0);
}

void Edit::SelectAll() { SendMessageA(hwnd_, EM_SETSEL, 0, -1); }

Memo::Memo(Control& parent, std::string name, Bounds bounds) : Control(&parent, std::move(name)) {
  CreateWindowFor({"EDIT",
                   WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_LEFT,
                   WS_EX_CLIENTEDGE, "", bounds, true});
  SendMessageA(hwnd_, EM_LIMITTEXT, 0, 0);
}

std::vector<std::string> Memo::Lines() const { return platform::SplitLines(Text()); }

void Memo::SetLines(const std::vector<std::string>& lines) { SetText(JoinLines(lines)); }

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Control& parent, std::string name, Bounds bounds, int itemHeight)
    : Control(&parent, std::move(name)), itemHeight_(itemHeight) {
  CreateWindowFor({"LISTBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                   WS_EX_CLIENTEDGE, "", bounds, true});
}

void ListBox::FontChanged() {
  // A new font resets the item height.
  if (itemHeight_ > 0) SendMessageA(hwnd_, LB_SETITEMHEIGHT, 0, itemHeight_);
}

std::vector<std::string> ListBox::Items() const {
  std::vector<std::string> items;
  const int count = Count();
  for (int i = 0; i < count; ++i) items.push_back(ListText(hwnd_, LB_GETTEXTLEN, LB_GETTEXT, i));
  return items;
}

void ListBox::SetItems(const std::vector<std::string>& items) {
  SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  Clear();
  for (const std::string& item : items) AddItem(item);
  SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListBox::AddItem(const std::string& item) {
  SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void ListBox::DeleteItem(int index) {
  if (index >= 0 && index < Count()) SendMessageA(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void ListBox::Clear() { SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0); }

int ListBox::Count() const { return static_cast<int>(SendMessageA(hwnd_, LB_GETCOUNT, 0, 0)); }

int ListBox::ItemIndex() const {
  const LRESULT index = SendMessageA(hwnd_, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void ListBox::SetItemIndex(int index) { SendMessageA(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ListBox::SortItems() {
  const int selected = ItemIndex();
  // A hidden sorted list control puts the items in its own order.
  HWND sorted = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_SORT | LBS_HASSTRINGS, 0, 0, 0, 0, hwnd_, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (!sorted) return;
  for (const std::string& item : Items()) {
    SendMessageA(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  std::vector<std::string> items;
  const int count = static_cast<int>(SendMessageA(sorted, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) items.push_back(ListText(sorted, LB_GETTEXTLEN, LB_GETTEXT, i));
  DestroyWindow(sorted);
  SetItems(items);
  // As when the list control is made anew: the same position stays selected.
  if (selected >= 0 && selected < Count()) SetItemIndex(selected);
}

// ---------------------------------------------------------------- GroupBox

GroupBox::GroupBox(Control& parent, std::string name, Bounds bounds, const std::string& caption)
    : Control(&parent, std::move(name)) {
  CreateWindowFor({"BUTTON", WS_VISIBLE | WS_CLIPCHILDREN | BS_GROUPBOX, WS_EX_CONTROLPARENT, caption, bounds, true});
  RouteChildNotifications();
}

bool GroupBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_ERASEBKGND) return Control::HandleMessage(msg, wParam, lParam, result);
  // The system's group box leaves its inside unpainted, and its parent
  // doesn't paint under it.
  RECT rect;
  GetClientRect(hwnd_, &rect);
  FillRect(reinterpret_cast<HDC>(wParam), &rect, GetSysColorBrush(COLOR_BTNFACE));
  result = 1;
  return true;
}

// ---------------------------------------------------------------- Panel

Panel::Panel(Control& parent, std::string name, Bounds bounds, const std::string& caption, COLORREF color)
    : Control(&parent, std::move(name)), color_(color), brush_(CreateSolidBrush(color)) {
  RegisterWindowClasses();
  CreateWindowFor({kPanelClass, WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, caption, bounds, true});
}

Panel::~Panel() {
  if (hwnd_) DestroyWindow(hwnd_);
  DeleteObject(brush_);
}

bool Panel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(hwnd_, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, brush_);
      result = 1;
      return true;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT rect;
      GetClientRect(hwnd_, &rect);
      DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
      const std::string caption = Text();
      const HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
      const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &rect,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      if (previous) SelectObject(dc, previous);
      EndPaint(hwnd_, &ps);
      result = 0;
      return true;
    }
    case WM_SETTEXT:
      result = DefWindowProcA(hwnd_, msg, wParam, lParam);
      InvalidateRect(hwnd_, nullptr, TRUE);
      return true;
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(hwnd_);
      result = 0;
      return true;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = false;
      if (GetCapture() == hwnd_) ReleaseCapture();
      RECT rect;
      GetClientRect(hwnd_, &rect);
      const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (wasPressed && PtInRect(&rect, point)) RunHandler(OnClick);
      result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wParam), color_);
      result = reinterpret_cast<LRESULT>(brush_);
      return true;
    default: return Control::HandleMessage(msg, wParam, lParam, result);
  }
}

// ---------------------------------------------------------------- TabControl and TabPage

TabPage::TabPage(Control& parent, std::string name, const std::string& caption) : Control(&parent, std::move(name)) {
  RegisterWindowClasses();
  CreateWindowFor({kPageClass, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, caption, Bounds{}, false});
}

TabControl::TabControl(Control& parent, std::string name, Bounds bounds) : Control(&parent, std::move(name)) {
  CreateWindowFor({WC_TABCONTROLA, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, "",
                   bounds, true});
  RouteChildNotifications();
}

TabPage& TabControl::AddPage(std::string name, const std::string& caption) {
  std::string text = caption;
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = &text[0];
  SendMessageA(hwnd_, TCM_INSERTITEMA, pages_.size(), reinterpret_cast<LPARAM>(&item));
  TabPage& page = Add<TabPage>(std::move(name), caption);
  pages_.push_back(&page);
  LayoutPages();
  ShowActivePage();
  return page;
}

int TabControl::ActivePageIndex() const { return static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)); }

void TabControl::SetActivePageIndex(int index) {
  SendMessageA(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowActivePage();
}

LRESULT TabControl::Notify(const NMHDR& header) {
  if (header.code == static_cast<UINT>(TCN_SELCHANGE)) ShowActivePage();
  return 0;
}

void TabControl::LayoutPages() {
  RECT rect;
  GetClientRect(hwnd_, &rect);
  SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
  for (TabPage* page : pages_) {
    SetWindowPos(page->Handle(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TabControl::ShowActivePage() {
  int active = ActivePageIndex();
  if (active < 0 && !pages_.empty()) {
    SendMessageA(hwnd_, TCM_SETCURSEL, 0, 0);
    active = 0;
  }
  const HWND focus = GetFocus();
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (static_cast<int>(i) == active) ShowWindow(pages_[i]->Handle(), SW_SHOW);
  }
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (static_cast<int>(i) == active) continue;
    const HWND page = pages_[i]->Handle();
    if (focus && IsChild(page, focus)) ::SetFocus(hwnd_);  // the focus leaves a page that goes away
    ShowWindow(page, SW_HIDE);
  }
}

}  // namespace runtime
