#include "tests/e2e/WindowExpectations.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace e2e {

HWND Find(HWND window, const std::string& name) {
  HWND control = FindControl(window, name);
  EXPECT_NE(control, nullptr) << "no control " << name;
  return control;
}

std::string NameOf(HWND control) { return control ? Describe(control).name : std::string("(none)"); }

bool IsFormCentred(HWND form) {
  const Rect outer = WindowOnScreen(form);
  const Rect screen = ScreenSize();
  return std::abs(outer.left - (screen.width - outer.width) / 2) <= 1 &&
         std::abs(outer.top - (screen.height - outer.height) / 2) <= 1;
}

void ExpectLayout(HWND form, const std::vector<ExpectedControl>& table, const std::string& font) {
  for (const ExpectedControl& expected : table) {
    SCOPED_TRACE(expected.name);
    HWND hwnd = Find(form, expected.name);
    if (!hwnd) continue;
    const ControlInfo info = Describe(hwnd);
    if (expected.className) {
      EXPECT_EQ(info.className, expected.className);
    }
    EXPECT_EQ(info.parent, expected.parent ? FindControl(form, expected.parent) : form);
    EXPECT_EQ(info.bounds.left, expected.bounds.left);
    EXPECT_EQ(info.bounds.top, expected.bounds.top);
    EXPECT_EQ(info.bounds.width, expected.bounds.width);
    EXPECT_EQ(info.bounds.height, expected.bounds.height);
    EXPECT_EQ(info.zOrder, expected.tabOrder);
    if (expected.caption) {
      EXPECT_EQ(info.text, expected.caption);
    }
    EXPECT_EQ(info.font, font);
  }
}

}  // namespace e2e
