// Runs a program as a child process with its standard input given and its
// output and exit status collected: how the scan tests drive mokurena-scan.
// One implementation per target (RunProgramPosix.cpp, RunProgramWin32.cpp).
#pragma once

#include <string>
#include <vector>

namespace scantest {

struct ProgramRun {
  int exitCode = -1;
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// environment: extra "NAME=value" entries for the child (POSIX; ignored on
// Win32, where the code page is the system's).
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input = "",
                      const std::vector<std::string>& environment = {});

// True where mokurena-scan's memory limit holds for the programs it runs:
// not under AddressSanitizer (it maps its shadow as data, so a data limit
// stops it first) nor under Wine (which takes a job's memory limit and
// does not apply it).
bool MemoryLimitsHold();

// Lets a copied program file run (POSIX: the execute bits; Win32: nothing).
void MakeRunnable(const std::string& path);

}  // namespace scantest
