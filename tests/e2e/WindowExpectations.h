// Expectations about a program's windows that several end-to-end tests share:
// finding a control by name, where a form stands, and a layout table checked
// control by control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/Driver.h"

namespace e2e {

// The control of that name; a test failure when there is none.
HWND Find(HWND window, const std::string& name);

// The runtime name of a control, "(none)" for no window.
std::string NameOf(HWND control);

// True when the form's outer rectangle is centred on the screen (within a pixel).
bool IsFormCentred(HWND form);

struct ExpectedControl {
  const char* name;
  const char* className;  // nullptr: not checked
  const char* parent;     // nullptr: the form
  Rect bounds;
  int tabOrder;
  const char* caption = nullptr;  // nullptr: not checked
};

// Checks every control of the table: class, parent, position and size, place
// in the tab order, caption, and that it shows the given font.
void ExpectLayout(HWND form, const std::vector<ExpectedControl>& table, const std::string& font);

}  // namespace e2e
