// Runs the bundled sample for scripts/run-sample.sh: starts an installed
// mokurena.exe on an archive, waits for the report dialog, saves a screenshot
// of it and prints what it reports. With --headless (no one to answer) it
// then chooses stop; otherwise it waits for the user's answer.
//
//   sample_runner.exe <program folder> <archive> <screenshot name> [--headless]
//
// The screenshot goes to MOKURENA_SCREENSHOT_DIR. Output is UTF-8. Exit code:
// 0 when the report was shown and the program ended, 2 otherwise.
#include "tests/e2e/Driver.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kReportCaption[] = "発見しました - Mokurena";

// Narrow text of the system code page as UTF-8, for the terminal.
std::string Utf8(const std::string& text) {
  if (text.empty()) return text;
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], length, nullptr, nullptr);
  return utf8;
}

void Print(const std::string& line) {
  std::printf("%s\n", Utf8(line).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: sample_runner <program folder> <archive> <screenshot name> [--headless]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string archive = argv[2];
  const std::string shotName = argv[3];
  const bool headless = argc > 4 && std::strcmp(argv[4], "--headless") == 0;

  const std::string program = folder + "\\mokurena.exe";
  e2e::Process process = e2e::Process::Start({program, "\"" + program + "\" \"" + archive + "\"", {}, folder});
  const HWND report = process.WaitForWindow(kReportCaption, 60000);
  if (!report) {
    Print("mokurena.exe showed no report for " + archive);
    return 2;
  }
  e2e::WaitUntil([&] { return e2e::FocusedControl(report) == e2e::FindControl(report, "btnStop"); }, 5000);
  Sleep(300);  // let the dialog finish painting
  e2e::Screenshot(report, shotName);

  Print("報告されたファイル (reported members):");
  for (const std::string& line : e2e::MemoLines(e2e::FindControl(report, "MemoCheckedFiles"))) Print("  " + line);
  std::string message = e2e::Text(e2e::FindControl(report, "lblMessage"));
  for (std::size_t pos = message.find("\r\n"); pos != std::string::npos; pos = message.find("\r\n", pos)) {
    message.replace(pos, 2, "\n  ");
  }
  Print("  " + message);

  if (headless) {
    e2e::Click(e2e::FindControl(report, "btnStop"));
  } else {
    Print("Answer the dialog: 中断(S) stops, 続行(C) hands the archive on.");
  }
  if (!process.WaitForExit(headless ? 15000 : static_cast<int>(INFINITE))) {
    Print("mokurena.exe did not end");
    return 2;
  }
  return 0;
}
