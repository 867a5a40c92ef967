// Drives Win32 programs from the outside for end-to-end tests that run under
// Wine in the same wineserver as the program: starts it, finds its windows,
// reads its controls, presses its buttons and keys, answers its message
// boxes, takes screenshots and waits for its exit code.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Polls until condition holds; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// The folder of the running test program (the build tree's bin folder),
// with a trailing backslash.
std::string ProgramFolder();

struct StartOptions {
  std::string program;                                           // path of the executable
  std::string commandLine;                                       // the whole command line, passed exactly as given
  std::vector<std::pair<std::string, std::string>> environment;  // added or replaced variables
  std::string currentFolder;                                     // empty: the test's own
};

// A started program. Ending the object kills the program if it still runs.
class Process {
 public:
  // Throws std::runtime_error when the program cannot be started.
  static Process Start(const StartOptions& options);

  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD Id() const { return id_; }
  bool Running() const;
  // The exit code, or nothing when the program has not ended in time.
  std::optional<DWORD> WaitForExit(int timeoutMs = 10000);
  // Waits until every program this one started has ended, so that what
  // they would do is done; false on timeout. Call it once this one ended.
  bool WaitForItsProgramsToEnd(int timeoutMs = 10000) const;
  void Kill();

  // The program's visible top-level windows.
  std::vector<HWND> Windows() const;
  // A visible top-level window of the program with exactly this caption;
  // nullptr on timeout.
  HWND WaitForWindow(const std::string& caption, int timeoutMs = 10000) const;
  HWND WaitForWindowWhere(const std::function<bool(HWND)>& matches, int timeoutMs = 10000) const;
  // A visible message box (dialog class "#32770" with a message text).
  HWND WaitForMessageBox(int timeoutMs = 10000) const;

 private:
  Process() = default;
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct ControlInfo {
  HWND hwnd = nullptr;
  HWND parent = nullptr;
  std::string className;
  int id = 0;
  std::string name;  // the runtime's control name, when the program set one
  std::string text;
  Rect bounds;  // relative to the parent's client area
  DWORD style = 0;
  DWORD exStyle = 0;
  int zOrder = 0;    // place among its siblings: the tab order
  std::string font;  // "face,height,charset" as the runtime applied it
};

ControlInfo Describe(HWND hwnd);
// Child controls of window, depth first in z-order.
std::vector<ControlInfo> ListControls(HWND window, bool recursive = true);
// The descendant with this runtime name; nullptr if none.
HWND FindControl(HWND window, const std::string& name);
// The first descendant of this class with exactly this text; nullptr if none.
HWND FindControlByText(HWND window, const std::string& className, const std::string& text);

std::string ClassName(HWND hwnd);
// The text as the control itself gives it (WM_GETTEXT).
std::string Text(HWND hwnd);
void SetText(HWND hwnd, const std::string& text);
// The window's client area in screen coordinates, and its outer rectangle.
Rect ClientOnScreen(HWND hwnd);
Rect WindowOnScreen(HWND hwnd);
Rect ScreenSize();

std::vector<std::string> MemoLines(HWND memo);
std::vector<std::string> ListItems(HWND listBox);
int ListSelection(HWND listBox);  // -1: none
void SelectListItem(HWND listBox, int index);
bool IsChecked(HWND checkBox);
bool IsVisible(HWND hwnd);
int ActiveTab(HWND tabControl);

// The control with the keyboard focus in window's thread; nullptr if none.
HWND FocusedControl(HWND window);
// The visible button of window drawn as the default button; nullptr if none.
HWND DefaultButton(HWND window);

// Presses a button (BM_CLICK) or clicks another control in its centre.
// Returns at once; the program handles it in its own time.
void Click(HWND control);
// Closes the window as its caption's close box does.
void PressCloseBox(HWND window);

struct Modifiers {
  bool alt = false;
  bool shift = false;
  bool control = false;
};
// Real keyboard input to window: it is brought to the foreground (throws
// std::runtime_error when it does not get there), the keys go through the
// program's own keyboard handling.
void PressKey(HWND window, WORD virtualKey, Modifiers modifiers = {});
void PressAccessKey(HWND window, char letter);        // Alt+letter
void TypeText(HWND window, const std::string& text);  // ASCII
// Waits until the program's thread has dealt with what was sent to it.
void Settle(HWND window);

enum class MessageIcon { None, Information, Question, Warning, Error, Unknown };
const char* ToString(MessageIcon icon);

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::Unknown;
  std::vector<std::string> buttons;  // captions, left to right
  int defaultButtonId = 0;           // IDOK, IDYES...
};
MessageBoxInfo ReadMessageBox(HWND box);
// Presses the box's button with this id (IDOK, IDCANCEL, IDYES, IDNO).
void AnswerMessageBox(HWND box, int buttonId);

// Saves a PNG of the window into the screenshot folder (<build>/screenshots
// unless MOKURENA_SCREENSHOT_DIR says otherwise); returns the file's path
// in Unix form, empty on failure.
std::string Screenshot(HWND window, const std::string& name);
std::string ScreenshotFolder();

}  // namespace e2e
