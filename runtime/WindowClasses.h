// Window classes of the runtime's own windows (internal to the runtime).
#pragma once

#include <windows.h>

namespace runtime {

constexpr const char* kFormClass = "MokurenaForm";
constexpr const char* kPageClass = "MokurenaPage";
constexpr const char* kPanelClass = "MokurenaPanel";
constexpr const char* kApplicationClass = "MokurenaApplication";

// Window properties that tell the end-to-end tests, from outside the
// process, which control a window is and which font it was given.
constexpr const char* kNameProperty = "MokurenaName";  // global atom: control name
constexpr const char* kFontProperty = "MokurenaFont";  // global atom: "face,height,charset"

// Registers the form, page and panel classes (once).
void RegisterWindowClasses();

LRESULT CALLBACK RuntimeWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK RuntimeSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace runtime
