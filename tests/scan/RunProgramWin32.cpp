#include "RunProgram.h"

#include <windows.h>

#include <stdexcept>
#include <string>

#include "platform/Files.h"

namespace scantest {

namespace {

// One argument as the C runtime splits a command line: quoted, with the
// backslashes before a quote doubled and the quote escaped.
std::string Quote(const std::string& arg) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

HANDLE OpenInherited(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                      const std::vector<std::string>& /*environment*/) {
  const std::string folder = platform::CreateTempFolder("mokurena-run");
  const std::string in = platform::JoinPath(folder, "in");
  const std::string out = platform::JoinPath(folder, "out");
  const std::string err = platform::JoinPath(folder, "err");
  platform::WriteWholeFile(in, input);
  HANDLE inHandle = OpenInherited(in, false);
  HANDLE outHandle = OpenInherited(out, true);
  HANDLE errHandle = OpenInherited(err, true);
  std::string commandLine = Quote(program);
  for (const std::string& a : args) commandLine += " " + Quote(a);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inHandle;
  startup.hStdOutput = outHandle;
  startup.hStdError = errHandle;
  PROCESS_INFORMATION process = {};
  // Wine, busy with other tests beside this one, may refuse a start now and
  // then; the program under test is not what failed, so try again.
  BOOL started = FALSE;
  DWORD startError = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                             &process);
    if (!started) startError = GetLastError();
  }
  ProgramRun run;
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(inHandle);
  CloseHandle(outHandle);
  CloseHandle(errHandle);
  if (!started) {
    platform::RemoveTree(folder);
    throw std::runtime_error("cannot start " + program + " (error " + std::to_string(startError) + ")");
  }
  run.out = platform::ReadWholeFile(out);
  run.err = platform::ReadWholeFile(err);
  platform::RemoveTree(folder);
  return run;
}

bool MemoryLimitsHold() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return !ntdll || !GetProcAddress(ntdll, "wine_get_version");
}

void MakeRunnable(const std::string&) {}

}  // namespace scantest
