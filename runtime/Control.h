// Controls at exact pixel positions inside their parent's client area.
//
// A control is created with its window at once; its parent (a form, group
// box, tab page or panel) owns it. Every control has a name and, unless it is
// a label or a tab page, a place in its parent's tab order: the parent keeps
// its children's windows in that order (z-order), which is also the order of
// Tab and arrow-key navigation.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace runtime {

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Modal results of forms.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

class Form;

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  const std::string& Name() const { return name_; }
  HWND Handle() const { return hwnd_; }
  Control* Parent() const { return parent_; }
  // The form this control belongs to (a form is its own).
  Form& OwnerForm();

  // Caption or text.
  std::string Text() const;
  virtual void SetText(const std::string& text);

  // Position and size relative to the parent's client area.
  Bounds GetBounds() const;

  bool Enabled() const;
  bool Visible() const;

  void SetFocus();
  bool Focused() const;
  // True when the control can have the keyboard focus right now.
  bool CanFocus() const;

  // Index among the parent's controls that take part in the tab order; -1
  // for a control that takes no part (labels, tab pages). Setting a value
  // moves the control to that place and shifts the others.
  int TabOrder() const;
  void SetTabOrder(int order);
  // Whether Tab stops at the control (it stays in the tab order either way).
  bool TabStop() const;
  void SetTabStop(bool tabStop);

  // Creates a child control: T(parent, args...). Only containers (forms,
  // group boxes, tab pages, panels) hold children.
  template <class T, class... Args>
  T& Add(Args&&... args) {
    auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& result = *control;
    Adopt(std::move(control));
    return result;
  }

  const std::vector<std::unique_ptr<Control>>& Children() const { return children_; }
  // Children that take part in the tab order, in that order.
  const std::vector<Control*>& TabList() const { return tabList_; }
  // This control or a descendant with the given name; nullptr if none.
  Control* Find(const std::string& name);

  // The control whose window this is; nullptr for other windows.
  static Control* FromHandle(HWND hwnd);

  // What the control handles itself while it has the focus, so that the
  // form leaves these keys to it.
  enum KeyWants : unsigned { kWantsArrows = 1, kWantsChars = 2, kWantsReturn = 4 };
  virtual unsigned KeysWanted() const { return 0; }

 protected:
  // parent is nullptr for a form.
  Control(Control* parent, std::string name);

  struct WindowParams {
    const char* className = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string text;
    Bounds bounds;
    bool inTabOrder = true;
  };
  // Creates the window as a child of the parent's window (or, for a form,
  // the given owner) and makes it known to the runtime.
  void CreateWindowFor(const WindowParams& params, HWND ownerOrParent = nullptr);
  // Makes a system control's window send its children's notifications to
  // the runtime (group box, tab control).
  void RouteChildNotifications();

  // A notification of the control itself (BN_CLICKED, EN_CHANGE...).
  virtual void Command(WORD /*code*/) {}
  virtual LRESULT Notify(const NMHDR& /*header*/) { return 0; }
  // Messages to the control's own window; return true when handled.
  virtual bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Called after the font has been applied to the window.
  virtual void FontChanged() {}
  // Whether the control takes the focus at all (labels, group boxes,
  // panels and tab pages don't).
  virtual bool Focusable() const { return true; }

  void ApplyFont(HFONT font);
  void ApplyTabOrder();
  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

  friend class Form;
  friend LRESULT CALLBACK RuntimeWindowProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK RuntimeSubclassProc(HWND, UINT, WPARAM, LPARAM);

  HWND hwnd_ = nullptr;

 private:
  void Adopt(std::unique_ptr<Control> child);
  bool RouteFromChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ForgetWindow();

  Control* parent_;
  std::string name_;
  WNDPROC systemProc_ = nullptr;  // original procedure of a subclassed system control
  bool inTabOrder_ = false;
  HFONT ownFont_ = nullptr;  // font of our own window classes
  ATOM nameAtom_ = 0;
  ATOM fontAtom_ = 0;
  std::vector<std::unique_ptr<Control>> children_;
  std::vector<Control*> tabList_;
};

// Push button. Clicking it (mouse, Space, Enter as the default button, its
// access key) runs OnClick and, when set, gives its form a modal result.
class Button : public Control {
 public:
  Button(Control& parent, std::string name, Bounds bounds, const std::string& caption);

  std::function<void()> OnClick;

  // The form's default button: Enter chooses it unless another button or a
  // control that wants Enter (a memo) has the focus.
  void SetDefault(bool isDefault);
  // The form's cancel button: Escape chooses it. Without one Escape does
  // nothing.
  void SetCancel(bool isCancel);
  // A non-zero result that a click gives the form (closing a modal form).
  void SetModalResult(int result) { modalResult_ = result; }

  // Runs the click as the user's would.
  void Click();

  // Shows the button with or without the default frame.
  void ShowAsDefault(bool asDefault);

 protected:
  void Command(WORD code) override;

 private:
  int modalResult_ = mrNone;
};

class CheckBox : public Control {
 public:
  CheckBox(Control& parent, std::string name, Bounds bounds, const std::string& caption);

  std::function<void()> OnClick;

  bool Checked() const;
  void SetChecked(bool checked);
  // Toggles the box and runs OnClick, as a click or the access key does.
  void Toggle();

 protected:
  void Command(WORD code) override;
};

// Static text that sizes itself to its text: no word wrap, every CR LF
// starts a new line, "&" is shown as it is.
class Label : public Control {
 public:
  Label(Control& parent, std::string name, Bounds bounds, const std::string& caption);

  void SetText(const std::string& text) override;

 protected:
  void FontChanged() override { AutoSize(); }
  bool Focusable() const override { return false; }

 private:
  void AutoSize();
};

// Single-line edit field.
class Edit : public Control {
 public:
  Edit(Control& parent, std::string name, Bounds bounds, const std::string& text = "");

  unsigned KeysWanted() const override { return kWantsArrows | kWantsChars; }
  void SelectAll();
};

// Multi-line edit: vertical scroll bar only, long lines wrap, Enter starts a
// new line.
class Memo : public Control {
 public:
  Memo(Control& parent, std::string name, Bounds bounds);

  // The text's lines (split at CR LF; a break at the end starts no line).
  std::vector<std::string> Lines() const;
  // Replaces the text by these lines, each followed by CR LF.
  void SetLines(const std::vector<std::string>& lines);

  unsigned KeysWanted() const override { return kWantsArrows | kWantsChars | kWantsReturn; }
};

// List box: single selection, unsorted.
class ListBox : public Control {
 public:
  ListBox(Control& parent, std::string name, Bounds bounds, int itemHeight = 0);

  std::vector<std::string> Items() const;
  void SetItems(const std::vector<std::string>& items);
  void AddItem(const std::string& item);
  void DeleteItem(int index);
  void Clear();
  int Count() const;
  // Selected index, -1 when none.
  int ItemIndex() const;
  void SetItemIndex(int index);

  // Puts the items into the order a sorted list control gives them (the
  // system's case-blind comparison); the list itself stays unsorted, so
  // items added later go to the end.
  void SortItems();

  unsigned KeysWanted() const override { return kWantsArrows | kWantsChars; }

 protected:
  void FontChanged() override;

 private:
  int itemHeight_;
};

class GroupBox : public Control {
 public:
  GroupBox(Control& parent, std::string name, Bounds bounds, const std::string& caption);

 protected:
  bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool Focusable() const override { return false; }
};

// A filled, coloured area with a centred caption and a raised edge; clicking
// it runs OnClick.
class Panel : public Control {
 public:
  Panel(Control& parent, std::string name, Bounds bounds, const std::string& caption,
        COLORREF color = GetSysColor(COLOR_BTNFACE));
  ~Panel() override;

  std::function<void()> OnClick;
  COLORREF Color() const { return color_; }

 protected:
  bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool Focusable() const override { return false; }

 private:
  COLORREF color_;
  HBRUSH brush_;
  bool pressed_ = false;
};

class TabControl;

// One page of a tab control; its controls are its children.
class TabPage : public Control {
 public:
  TabPage(Control& parent, std::string name, const std::string& caption);

 protected:
  bool Focusable() const override { return false; }
};

// Tab control with pages; the page whose tab is selected is shown.
class TabControl : public Control {
 public:
  TabControl(Control& parent, std::string name, Bounds bounds);

  TabPage& AddPage(std::string name, const std::string& caption);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);

  unsigned KeysWanted() const override { return kWantsArrows; }

 protected:
  LRESULT Notify(const NMHDR& header) override;
  void FontChanged() override { LayoutPages(); }

 private:
  void LayoutPages();
  void ShowActivePage();

  std::vector<TabPage*> pages_;
};

}  // namespace runtime
