#include "tests/e2e/Driver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>

namespace e2e {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::string AtomProperty(HWND hwnd, const char* property) {
  const ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, property)));
  if (!atom) return std::string();
  char buffer[256] = "";
  const UINT length = GlobalGetAtomNameA(atom, buffer, sizeof buffer);
  return std::string(buffer, length);
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

struct TopLevelSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<TopLevelSearch*>(param);
  if (ProcessOf(hwnd) == search->pid && IsWindowVisible(hwnd)) search->found.push_back(hwnd);
  return TRUE;
}

void CollectChildren(HWND parent, bool recursive, std::vector<ControlInfo>& out) {
  int z = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ControlInfo info = Describe(child);
    info.zOrder = z++;
    out.push_back(info);
    if (recursive) CollectChildren(child, recursive, out);
  }
}

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 1)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], length, nullptr, nullptr);
  return narrow;
}

// The Unix form of a Windows path, through Wine's own conversion.
std::string UnixPath(const std::string& windowsPath) {
  using Convert = char*(CDECL*)(LPCWSTR);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert) {
    if (char* unix = convert(Wide(windowsPath).c_str())) {
      std::string result(unix);
      HeapFree(GetProcessHeap(), 0, unix);
      return result;
    }
  }
  // Drive Z: is the Unix root.
  if (windowsPath.size() > 2 && (windowsPath[0] == 'Z' || windowsPath[0] == 'z') && windowsPath[1] == ':') {
    std::string result = windowsPath.substr(2);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
  }
  return std::string();
}

std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 4] = "";
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return (length && length < sizeof buffer) ? std::string(buffer, length) : path;
}

// Runs a Unix program (Wine starts ELF executables from CreateProcess) and
// waits for it to end.
bool RunUnixProgram(const std::string& windowsPath, const std::string& commandLine, int timeoutMs) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string line = commandLine;
  if (!CreateProcessA(windowsPath.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  const DWORD waited = WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeoutMs));
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return waited == WAIT_OBJECT_0 && code == 0;
}

std::string Quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) {
    if (c == '\'') {
      result += "'\\''";
    } else {
      result += c;
    }
  }
  return result + "'";
}

void SendKeys(const std::vector<INPUT>& inputs) {
  std::vector<INPUT> copy = inputs;
  SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_INSERT:
    case VK_DELETE: input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY; break;
    default: break;
  }
  return input;
}

// Keyboard input goes to the foreground window; throws when the window
// does not get there.
void BringToFront(HWND window) {
  const HWND root = GetAncestor(window, GA_ROOT);
  if (GetForegroundWindow() == root) return;
  SetForegroundWindow(root);
  if (!WaitUntil([root] { return GetForegroundWindow() == root; }, 3000)) {
    throw std::runtime_error("the window did not come to the foreground");
  }
}

MessageIcon IdentifyIcon(HWND iconControl);

}  // namespace

// ---------------------------------------------------------------- waiting, paths

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
    Sleep(25);
  }
}

std::string ProgramFolder() {
  char path[MAX_PATH * 4] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  const auto slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string(".\\") : folder.substr(0, slash + 1);
}

// ---------------------------------------------------------------- Process

Process Process::Start(const StartOptions& options) {
  // The environment: ours, with the additions replacing variables of the
  // same name (compared without regard to case, as Windows does).
  std::vector<std::string> variables;
  if (LPCH block = GetEnvironmentStringsA()) {
    for (const char* p = block; *p; p += strlen(p) + 1) variables.emplace_back(p);
    FreeEnvironmentStringsA(block);
  }
  for (const auto& [name, value] : options.environment) {
    const std::string prefix = name + "=";
    variables.erase(std::remove_if(variables.begin(), variables.end(),
                                   [&](const std::string& v) {
                                     return v.size() >= prefix.size() &&
                                            _strnicmp(v.c_str(), prefix.c_str(), prefix.size()) == 0;
                                   }),
                    variables.end());
    variables.push_back(prefix + value);
  }
  std::string environment;
  for (const std::string& variable : variables) {
    environment += variable;
    environment += '\0';
  }
  environment += '\0';

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string commandLine = options.commandLine;
  if (!CreateProcessA(options.program.c_str(), commandLine.empty() ? nullptr : &commandLine[0], nullptr, nullptr, FALSE,
                      0, &environment[0], options.currentFolder.empty() ? nullptr : options.currentFolder.c_str(),
                      &startup, &info)) {
    throw std::runtime_error("cannot start " + options.program + " (error " + std::to_string(GetLastError()) + ")");
  }
  Process process;
  process.process_ = info.hProcess;
  process.thread_ = info.hThread;
  process.id_ = info.dwProcessId;
  return process;
}

Process::Process(Process&& other) noexcept : process_(other.process_), thread_(other.thread_), id_(other.id_) {
  other.process_ = other.thread_ = nullptr;
  other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    this->~Process();
    process_ = other.process_;
    thread_ = other.thread_;
    id_ = other.id_;
    other.process_ = other.thread_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

Process::~Process() {
  if (!process_) return;
  if (Running()) Kill();
  CloseHandle(thread_);
  CloseHandle(process_);
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitForExit(int timeoutMs) {
  if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

namespace {

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

bool Process::WaitForItsProgramsToEnd(int timeoutMs) const {
  std::vector<HANDLE> children;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  // A process id is used again once its process is gone: a process that
  // names ours as its parent but is older than ours had another parent
  // (one of Wine's services started by an ended wineboot, say).
  const ULONGLONG started = CreationTime(process_);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID != id_) continue;
    HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
    if (!child) continue;
    if (CreationTime(child) < started) {
      CloseHandle(child);
      continue;
    }
    children.push_back(child);
  }
  CloseHandle(snapshot);
  bool ended = true;
  const DWORD start = GetTickCount();
  for (HANDLE child : children) {
    const DWORD spent = GetTickCount() - start;
    const DWORD left = spent < static_cast<DWORD>(timeoutMs) ? static_cast<DWORD>(timeoutMs) - spent : 0;
    if (WaitForSingleObject(child, left) != WAIT_OBJECT_0) ended = false;
    CloseHandle(child);
  }
  return ended;
}

void Process::Kill() {
  if (!process_) return;
  TerminateProcess(process_, 255);
  WaitForSingleObject(process_, 5000);
}

std::vector<HWND> Process::Windows() const {
  TopLevelSearch search{id_, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Process::WaitForWindowWhere(const std::function<bool(HWND)>& matches, int timeoutMs) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND hwnd : Windows()) {
          if (matches(hwnd)) {
            found = hwnd;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

HWND Process::WaitForWindow(const std::string& caption, int timeoutMs) const {
  return WaitForWindowWhere([&](HWND hwnd) { return Text(hwnd) == caption; }, timeoutMs);
}

HWND Process::WaitForMessageBox(int timeoutMs) const {
  return WaitForWindowWhere(
      [](HWND hwnd) {
        if (ClassName(hwnd) != "#32770") return false;
        // A message box holds static texts and buttons only.
        for (const ControlInfo& control : ListControls(hwnd)) {
          if (control.className != "Static" && control.className != "Button") return false;
        }
        return true;
      },
      timeoutMs);
}

// ---------------------------------------------------------------- reading controls

std::string ClassName(HWND hwnd) {
  char buffer[256] = "";
  const int length = GetClassNameA(hwnd, buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

std::string Text(HWND hwnd) {
  const LRESULT length = Send(hwnd, WM_GETTEXTLENGTH);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied = Send(hwnd, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

void SetText(HWND hwnd, const std::string& text) { Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }

Rect WindowOnScreen(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect ClientOnScreen(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect ScreenSize() { return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

ControlInfo Describe(HWND hwnd) {
  ControlInfo info;
  info.hwnd = hwnd;
  info.parent = GetParent(hwnd);
  info.className = ClassName(hwnd);
  info.id = GetDlgCtrlID(hwnd);
  info.name = AtomProperty(hwnd, "MokurenaName");
  info.font = AtomProperty(hwnd, "MokurenaFont");
  info.text = Text(hwnd);
  RECT r{};
  GetWindowRect(hwnd, &r);
  if (info.parent) MapWindowPoints(HWND_DESKTOP, info.parent, reinterpret_cast<POINT*>(&r), 2);
  info.bounds = Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  info.style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
  info.exStyle = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
  int z = 0;
  if (info.parent) {
    for (HWND sibling = GetWindow(hwnd, GW_HWNDFIRST); sibling && sibling != hwnd;
         sibling = GetWindow(sibling, GW_HWNDNEXT)) {
      ++z;
    }
  }
  info.zOrder = z;
  return info;
}

std::vector<ControlInfo> ListControls(HWND window, bool recursive) {
  std::vector<ControlInfo> controls;
  CollectChildren(window, recursive, controls);
  return controls;
}

HWND FindControl(HWND window, const std::string& name) {
  for (const ControlInfo& control : ListControls(window)) {
    if (control.name == name) return control.hwnd;
  }
  return nullptr;
}

HWND FindControlByText(HWND window, const std::string& className, const std::string& text) {
  for (const ControlInfo& control : ListControls(window)) {
    if (_stricmp(control.className.c_str(), className.c_str()) == 0 && control.text == text) return control.hwnd;
  }
  return nullptr;
}

std::vector<std::string> MemoLines(HWND memo) {
  // Lines as the text holds them (CR LF), not as the control wraps them; a
  // break at the very end starts no line.
  const std::string text = Text(memo);
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.push_back(current);
      current.clear();
      ++i;
    } else {
      current += text[i];
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::vector<std::string> ListItems(HWND listBox) {
  // Asked in UTF-16: Wine hands the narrow form of LB_GETTEXT across
  // processes as UTF-16 bytes.
  std::vector<std::string> items;
  const LRESULT count = Send(listBox, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_NORMAL, kSendTimeoutMs, &length);
    std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]), SMTO_NORMAL,
                        kSendTimeoutMs, &copied);
    item.resize(std::min<std::size_t>(static_cast<std::size_t>(copied), item.size()));
    items.push_back(Narrow(item));
  }
  return items;
}

int ListSelection(HWND listBox) {
  const LRESULT index = Send(listBox, LB_GETCURSEL);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void SelectListItem(HWND listBox, int index) { Send(listBox, LB_SETCURSEL, static_cast<WPARAM>(index)); }

bool IsChecked(HWND checkBox) { return Send(checkBox, BM_GETCHECK) == BST_CHECKED; }

bool IsVisible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

int ActiveTab(HWND tabControl) { return static_cast<int>(Send(tabControl, TCM_GETCURSEL)); }

HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

HWND DefaultButton(HWND window) {
  for (const ControlInfo& control : ListControls(window)) {
    if (control.className == "Button" && (control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
        IsWindowVisible(control.hwnd)) {
      return control.hwnd;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------- acting

void Click(HWND control) {
  const std::string cls = ClassName(control);
  if (_stricmp(cls.c_str(), "Button") == 0) {
    PostMessageA(control, BM_CLICK, 0, 0);
    return;
  }
  RECT r{};
  GetClientRect(control, &r);
  const LPARAM centre = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageA(control, WM_LBUTTONUP, 0, centre);
}

void PressCloseBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void PressKey(HWND window, WORD virtualKey, Modifiers modifiers) {
  BringToFront(window);
  std::vector<INPUT> inputs;
  if (modifiers.control) inputs.push_back(KeyInput(VK_CONTROL, false));
  if (modifiers.shift) inputs.push_back(KeyInput(VK_SHIFT, false));
  if (modifiers.alt) inputs.push_back(KeyInput(VK_MENU, false));
  inputs.push_back(KeyInput(virtualKey, false));
  inputs.push_back(KeyInput(virtualKey, true));
  if (modifiers.alt) inputs.push_back(KeyInput(VK_MENU, true));
  if (modifiers.shift) inputs.push_back(KeyInput(VK_SHIFT, true));
  if (modifiers.control) inputs.push_back(KeyInput(VK_CONTROL, true));
  SendKeys(inputs);
  Settle(window);
}

void PressAccessKey(HWND window, char letter) {
  const char upper = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
  PressKey(window, static_cast<WORD>(upper), Modifiers{true, false, false});
}

void TypeText(HWND window, const std::string& text) {
  BringToFront(window);
  std::vector<INPUT> inputs;
  for (char c : text) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = static_cast<WORD>(static_cast<unsigned char>(c));
    input.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs.push_back(input);
    input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendKeys(inputs);
  Settle(window);
}

void Settle(HWND window) {
  // Input and posted messages are handled in order by the program's thread,
  // but a message sent to it is handled first whenever it reads its queue,
  // ahead of input that is already waiting: a WM_NULL round trip alone
  // proves nothing about the keys sent just before (without the pauses, cases
  // that type and then read failed under Wine 8). Rounds with a pause let
  // what was queued before them run. Wine gives no event for "the thread has
  // taken its input" that reaches across processes: the key state of an
  // attached thread's input did not follow the program's there.
  for (int round = 0; round < 3; ++round) {
    Sleep(60);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored);
  }
}

// ---------------------------------------------------------------- message boxes

const char* ToString(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::None: return "none";
    case MessageIcon::Information: return "information";
    case MessageIcon::Question: return "question";
    case MessageIcon::Warning: return "warning";
    case MessageIcon::Error: return "error";
    case MessageIcon::Unknown:
    default: return "unknown";
  }
}

MessageBoxInfo ReadMessageBox(HWND box) {
  MessageBoxInfo info;
  info.hwnd = box;
  info.owner = GetWindow(box, GW_OWNER);
  info.caption = Text(box);
  HWND iconControl = nullptr;
  std::vector<ControlInfo> buttons;
  for (const ControlInfo& control : ListControls(box)) {
    if (control.className == "Static") {
      if ((control.style & SS_TYPEMASK) == SS_ICON) {
        if (IsWindowVisible(control.hwnd)) iconControl = control.hwnd;
      } else if (!control.text.empty() && IsWindowVisible(control.hwnd)) {
        info.text += control.text;
      }
    } else if (control.className == "Button" && IsWindowVisible(control.hwnd)) {
      buttons.push_back(control);
      if ((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) info.defaultButtonId = control.id;
    }
  }
  std::sort(buttons.begin(), buttons.end(),
            [](const ControlInfo& a, const ControlInfo& b) { return a.bounds.left < b.bounds.left; });
  for (const ControlInfo& button : buttons) info.buttons.push_back(button.text);
  info.icon = iconControl ? IdentifyIcon(iconControl) : MessageIcon::None;
  return info;
}

void AnswerMessageBox(HWND box, int buttonId) {
  if (HWND button = GetDlgItem(box, buttonId)) PostMessageA(button, BM_CLICK, 0, 0);
}

namespace {

// Which system icon the control shows: its pixels on the screen are compared
// with each system icon drawn here on the same background.
MessageIcon IdentifyIcon(HWND iconControl) {
  const Rect r = WindowOnScreen(iconControl);
  if (r.width <= 0 || r.height <= 0) return MessageIcon::Unknown;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = r.width;
  bmi.bmiHeader.biHeight = -r.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  const std::size_t pixels = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.width, r.height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  std::vector<DWORD> shown(pixels), drawn(pixels);

  BitBlt(memory, 0, 0, r.width, r.height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, previous);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(r.height), shown.data(), &bmi, DIB_RGB_COLORS);
  const DWORD background = shown[0];  // an icon's corner is transparent

  struct Candidate {
    MessageIcon icon;
    LPCSTR id;
  };
  const Candidate candidates[] = {
      {MessageIcon::Error, reinterpret_cast<LPCSTR>(IDI_HAND)},
      {MessageIcon::Question, reinterpret_cast<LPCSTR>(IDI_QUESTION)},
      {MessageIcon::Warning, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION)},
      {MessageIcon::Information, reinterpret_cast<LPCSTR>(IDI_ASTERISK)},
  };
  MessageIcon best = MessageIcon::Unknown;
  std::size_t bestDifferences = pixels;
  for (const Candidate& candidate : candidates) {
    previous = SelectObject(memory, bitmap);
    RECT all{0, 0, r.width, r.height};
    HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, candidate.id), r.width, r.height, 0, nullptr, DI_NORMAL);
    SelectObject(memory, previous);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(r.height), drawn.data(), &bmi, DIB_RGB_COLORS);
    std::size_t differences = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
      const DWORD a = shown[i], b = drawn[i];
      for (int shift = 0; shift < 24; shift += 8) {
        const int da = static_cast<int>((a >> shift) & 0xFF), db = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(da - db) > 24) {
          ++differences;
          break;
        }
      }
    }
    if (differences < bestDifferences) {
      bestDifferences = differences;
      best = candidate.icon;
    }
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bestDifferences * 20 <= pixels ? best : MessageIcon::Unknown;  // at most 5 % of the pixels differ
}

}  // namespace

// ---------------------------------------------------------------- screenshots

std::string ScreenshotFolder() {
  if (const char* folder = std::getenv("MOKURENA_SCREENSHOT_DIR")) {
    if (*folder == '/') return folder;
    if (*folder) return UnixPath(FullPath(folder));
  }
  return UnixPath(FullPath(ProgramFolder() + "..\\screenshots"));
}

std::string Screenshot(HWND window, const std::string& name) {
  const std::string folder = ScreenshotFolder();
  if (folder.empty()) return std::string();
  const std::string target = folder + "/" + name + ".png";
  // Wine keeps the X window of a top-level window in this property.
  const auto xWindow = reinterpret_cast<UINT_PTR>(GetPropA(GetAncestor(window, GA_ROOT), "__wine_x11_whole_window"));
  std::string capture;
  if (xWindow) {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(xWindow));
    capture = std::string("import -window ") + id + " " + Quoted(target);
  } else {
    const Rect r = WindowOnScreen(window);
    capture = "import -window root -crop " + std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
              std::to_string(r.left) + "+" + std::to_string(r.top) + " +repage " + Quoted(target);
  }
  const std::string script = "mkdir -p " + Quoted(folder) + " && rm -f " + Quoted(target) + " && " + capture;
  DeleteFileA(("Z:" + target).c_str());
  std::string commandLine = "sh -c \"" + script + "\"";
  if (!RunUnixProgram("Z:\\bin\\sh", commandLine, 20000)) {
    // The exit of a Unix program is not always seen; the file tells.
    const std::string windowsTarget = "Z:" + target;
    if (!WaitUntil([&] { return GetFileAttributesA(windowsTarget.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000)) {
      return std::string();
    }
    Sleep(200);
  }
  return target;
}

}  // namespace e2e
