#include "RunProgram.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/Files.h"

namespace scantest {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                      const std::vector<std::string>& environment) {
  const std::string folder = platform::CreateTempFolder("mokurena-run");
  const std::string in = folder + "/in", out = folder + "/out", err = folder + "/err";
  platform::WriteWholeFile(in, input);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int inFd = ::open(in.c_str(), O_RDONLY);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (inFd < 0 || outFd < 0 || errFd < 0) _exit(126);
    dup2(inFd, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ProgramRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = platform::ReadWholeFile(out);
  run.err = platform::ReadWholeFile(err);
  platform::RemoveTree(folder);
  return run;
}

bool MemoryLimitsHold() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#else
  return true;
#endif
}

void MakeRunnable(const std::string& path) { ::chmod(path.c_str(), 0755); }

}  // namespace scantest
