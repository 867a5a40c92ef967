// A stand-in archiver program, for tests of what the system starts.
//
// Each run appends one record to the file named by MOKURENA_ARCHIVER_RECORD,
// or, when that is not set, to "<its own path>.record", and exits. A record is
// one line of TAB-separated fields, escaped like the stand-in libraries' call
// log (testlibs/standin_text.h):
//   command line, current folder, program path, then each argument
// The command line is the raw one on Win32 (GetCommandLineA) and the
// arguments joined by blanks, program name first, on POSIX. The arguments are
// those after the program name, as the C runtime split them.
#include <string>
#include <vector>

#include "testlibs/standin_text.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#else
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace {

struct RunFacts {
  std::string commandLine;
  std::string currentFolder;
  std::string programPath;
  std::vector<std::string> arguments;
  std::string recordPath;
};

int WriteRecord(const RunFacts& facts) {
  std::string line = standin::EscapeField(facts.commandLine);
  line += '\t';
  line += standin::EscapeField(facts.currentFolder);
  line += '\t';
  line += standin::EscapeField(facts.programPath);
  for (const std::string& argument : facts.arguments) {
    line += '\t';
    line += standin::EscapeField(argument);
  }
  std::string path = facts.recordPath.empty() ? facts.programPath + ".record" : facts.recordPath;
  return standin::AppendLine(path, line) ? 0 : 1;
}

}  // namespace

#if defined(_WIN32)

namespace {

std::string EnvironmentValue(const char* name) {
  char value[1024];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  if (length == 0 || length >= sizeof value) return std::string();
  return std::string(value, length);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunFacts facts;
  const char* commandLine = GetCommandLineA();
  facts.commandLine = commandLine != nullptr ? commandLine : "";
  char buffer[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (length > 0 && length < sizeof buffer) facts.currentFolder.assign(buffer, length);
  length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (length > 0 && length < sizeof buffer) facts.programPath.assign(buffer, length);
  for (int i = 1; i < __argc; ++i) facts.arguments.push_back(__argv[i]);
  facts.recordPath = EnvironmentValue("MOKURENA_ARCHIVER_RECORD");
  return WriteRecord(facts);
}

#else

int main(int argc, char** argv) {
  RunFacts facts;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) facts.commandLine += ' ';
    facts.commandLine += argv[i];
    if (i > 0) facts.arguments.push_back(argv[i]);
  }
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) != nullptr) facts.currentFolder = buffer;
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length > 0) {
    facts.programPath.assign(buffer, static_cast<std::size_t>(length));
  } else if (argc > 0) {
    facts.programPath = argv[0];
  }
  const char* recordPath = std::getenv("MOKURENA_ARCHIVER_RECORD");
  if (recordPath != nullptr) facts.recordPath = recordPath;
  return WriteRecord(facts);
}

#endif
