// Operating-system version, environment and shell services on POSIX.
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/OsVersion.h"
#include "platform/Shell.h"
#include "platform/posix/SearchFolders.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace platform {

OsVersionInfo QueryOsVersion() {
  OsVersionInfo info;
  info.platformId = 2;
  info.major = 10;
  info.minor = 0;
  return info;
}

std::string GetEnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

void SetEnvironmentValue(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) return;
  if (value.empty()) {
    unsetenv(name.c_str());
  } else {
    setenv(name.c_str(), value.c_str(), 1);
  }
}

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A name without a folder is looked for where Windows looks for a program,
// the current folder left out: the executable's folder, then the PATH.
std::string FindProgram(const std::string& file) {
  if (file.find('/') != std::string::npos) return IsExecutableFile(file) ? file : std::string();
  const std::vector<std::string> folders = DefaultSearchFolders("/usr/bin:/bin");
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    const std::string candidate = JoinPath(folder, file);
    if (IsExecutableFile(candidate)) return candidate;
  }
  return std::string();
}

}  // namespace

// The program is not waited for; a detached thread reaps it when it ends, so
// it is never left as a zombie of ours. A program that cannot be started is
// not reported, as ShellExecuteA's result is not.
void ShellStart(void*, const std::string&, const std::string& file, const std::string& parameters, int) {
  const std::string program = FindProgram(file);
  if (program.empty()) return;
  std::vector<std::string> args = SplitCommandLine(parameters);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  pid_t child = 0;
  if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return;
  try {
    std::thread([child] {
      int status = 0;
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still runs, and is reaped when we end.
  }
}

void NotifyAssociationsChanged() {}

}  // namespace platform
