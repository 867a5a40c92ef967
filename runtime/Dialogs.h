// Message boxes, the input prompt and the file-open dialog. Each takes plain
// values and gives plain values back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace runtime {

enum class MessageIcon { None, Information, Question, Warning, Error };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };

// A message box titled with the application title, owned by owner or, when
// that is nullptr, the active window. defaultButton is 1, 2 or 3. Returns
// IDOK, IDCANCEL, IDYES or IDNO.
int ShowMessageBox(const std::string& text, MessageIcon icon = MessageIcon::Information,
                   MessageButtons buttons = MessageButtons::Ok, int defaultButton = 1, HWND owner = nullptr);

// A small modal window with the title, the prompt, one edit field holding
// defaultText, and OK and Cancel. Returns the edited text on OK, nothing on
// Cancel.
std::optional<std::string> InputQuery(const std::string& title, const std::string& prompt,
                                      const std::string& defaultText, HWND owner = nullptr);

// The same, returning defaultText on Cancel.
std::string InputBox(const std::string& title, const std::string& prompt, const std::string& defaultText,
                     HWND owner = nullptr);

// The system's file-open dialog. filter is "text|pattern|text|pattern";
// initialFolder empty means the system's default folder. Returns the full
// path of the chosen file, nothing on Cancel.
std::optional<std::string> OpenFileDialog(const std::string& filter, const std::string& initialFolder,
                                          HWND owner = nullptr);

}  // namespace runtime
