#include "runtime/Application.h"

#include "runtime/Form.h"
#include "runtime/WindowClasses.h"

#include <commctrl.h>

#include <stdexcept>

namespace runtime {

namespace {

struct ApplicationState {
  bool initialized = false;
  std::string title = "Mokurena";
  HWND window = nullptr;
  Form* mainForm = nullptr;
  bool terminated = false;
};

ApplicationState& State() {
  static ApplicationState state;
  return state;
}

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    Application::Terminate();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void Application::Initialize() {
  ApplicationState& state = State();
  if (state.initialized) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClasses();

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ApplicationWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = LoadIconA(wc.hInstance, "MAINICON");
  wc.lpszClassName = kApplicationClass;
  if (!RegisterClassExA(&wc)) throw std::runtime_error("RegisterClassEx failed for the application window");
  // A zero-sized window in the middle of the screen, never shown: it is the
  // window that would carry the program's taskbar button.
  state.window = CreateWindowExA(0, kApplicationClass, state.title.c_str(),
                                 WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                 GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                                 nullptr, wc.hInstance, nullptr);
  if (!state.window) throw std::runtime_error("CreateWindowEx failed for the application window");
  state.initialized = true;
}

const std::string& Application::Title() { return State().title; }

void Application::SetTitle(const std::string& title) {
  State().title = title;
  if (State().window) SetWindowTextA(State().window, title.c_str());
}

HWND Application::Handle() {
  Initialize();
  return State().window;
}

void Application::HideWindow() { ShowWindow(Handle(), SW_HIDE); }

void Application::SetMainForm(Form* form) { State().mainForm = form; }
Form* Application::MainForm() { return State().mainForm; }

void Application::Terminate() {
  if (State().terminated) return;
  State().terminated = true;
  PostQuitMessage(0);
}

bool Application::Terminated() { return State().terminated; }

void Application::Run() {
  Initialize();
  MSG msg;
  while (!Terminated()) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      State().terminated = true;
      return;
    }
    DispatchLoopMessage(msg);
  }
  // Terminated: handle what is still waiting, up to the quit message.
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return;
    DispatchLoopMessage(msg);
  }
}

HWND Application::ActiveOwner() {
  const HWND active = GetActiveWindow();
  return active ? active : Handle();
}

void Application::ShowError(const std::string& message) {
  MessageBoxA(ActiveOwner(), message.c_str(), Title().c_str(), MB_OK | MB_ICONERROR);
}

bool ReportErrors(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    Application::ShowError(error.what());
  } catch (...) {
    Application::ShowError("予期しないエラーが発生しました。");
  }
  return false;
}

int RunApplication(const std::function<void()>& run) {
  bool ok = ReportErrors([] { Application::Initialize(); });
  if (ok) ok = ReportErrors(run);
  Application::Terminate();
  Application::Run();
  return ok ? 0 : 1;
}

}  // namespace runtime
