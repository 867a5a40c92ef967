// The application object: its title, the hidden window that would carry the
// taskbar button, termination and the message loop, and the error box that
// reports an exception leaving a run or an event handler.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace runtime {

class Form;

class Application {
 public:
  // Registers the window classes, loads the common controls and creates the
  // application window (hidden). Called by every entry point that needs it;
  // calling it again does nothing.
  static void Initialize();

  // "Mokurena" unless set otherwise. Caption of every message box and of the
  // application window.
  static const std::string& Title();
  static void SetTitle(const std::string& title);

  // The application's own top-level window. It is never shown by the
  // runtime; it owns forms created without an owner.
  static HWND Handle();
  static void HideWindow();

  // The form whose closing ends the application (optional).
  static void SetMainForm(Form* form);
  static Form* MainForm();

  // Asks the message loop to end. Modal loops give up with mrCancel.
  static void Terminate();
  static bool Terminated();

  // Runs the message loop until termination; after an earlier Terminate it
  // handles what is pending and returns at once.
  static void Run();

  // The window that owns message boxes: the active window of this thread,
  // else the application window.
  static HWND ActiveOwner();

  // The error box: the message with the error icon, the application title
  // and an OK button, owned by the active window.
  static void ShowError(const std::string& message);
};

// Runs action; an exception that leaves it is shown in the error box and
// false is returned. Event handlers of the runtime's controls run this way,
// so an error in a handler leaves its form open.
bool ReportErrors(const std::function<void()>& action);

// The whole life of a program: initialises the application, runs `run` (which
// does the work and may show modal forms), reports an exception that leaves
// it in the error box, requests termination and drains the message loop.
// Returns 0, or 1 when an error was reported.
int RunApplication(const std::function<void()>& run);

}  // namespace runtime
